#!/usr/bin/env bash
# The show goes on under a bare X server: a damaged photo shows as the fallback picture and the
# next photos follow; at a change of the background colour the tick's photo is still drawn.
source "$(dirname "$0")/lib.sh"
start_xvfb 640x480
pics="$E2E_TMP/pictures"
mkdir -p "$pics"
xdotool mousemove 320 240

end_saver() {
    xdotool key space
    wait_exit "$QUILLO_PID" 5 || fail "a key did not end the saver in $1"
}

# A JPEG cut in half: its header reads, its data fail while decoding. First in the list, so the
# first tick shows the fallback picture (mode 1 shows it whole, centred at 284, 208 on black, its
# frame white), then the red photo stretched over the screen, then the fallback picture again: no
# box, the show goes on.
convert -size 320x240 plasma:fractal -quality 90 "$pics/whole.jpg"
head -c $(($(stat -c %s "$pics/whole.jpg") / 2)) "$pics/whole.jpg" >"$pics/cut.jpg"
convert -size 40x30 xc:red "BMP3:$pics/red.bmp"
write_settings "Picdis=1 Seq=1 Time=1000 Sound=0" "$pics/cut.jpg" "$pics/red.bmp"
start_quillo /S
wait_window zadarovi
wait_pixel 285 209 255,255,255
[ "$(pixel 1 1 "$E2E_TMP/shot.png")" = "0,0,0" ] || fail "the fallback picture is not on black"
wait_pixel 285 209 255,0,0
wait_pixel 285 209 255,255,255
end_saver "a damaged photo"

# Mode 6, colour set 1, two photos as large as the screen, each placed at the top-left corner:
# ticks 1 to 4 show red, blue, red, blue on black; tick 5 changes the background to gray and must
# still show its red photo. Were the repaint served after the photo, the screen would stay plain
# gray until tick 6 showed blue: blue, gray, blue.
convert -size 640x480 xc:red "BMP3:$pics/screen-red.bmp"
convert -size 640x480 xc:blue "BMP3:$pics/screen-blue.bmp"
write_settings "Picdis=6 Seq=1 Color=1 Time=2000 Sound=0" "$pics/screen-red.bmp" \
    "$pics/screen-blue.bmp"
start_quillo /S
wait_window zadarovi
# The colours seen at the centre, each change once, until the third blue.
seen=()
blues=0
for _ in $(seq 1 600); do
    colour=$(pixel 320 240)
    if [ "${#seen[@]}" -eq 0 ] || [ "${seen[-1]}" != "$colour" ]; then
        seen+=("$colour")
        [ "$colour" = "0,0,255" ] && blues=$((blues + 1))
    fi
    [ "$blues" -ge 3 ] && break
    sleep 0.1
done
[ "$blues" -ge 3 ] || fail "the show did not reach tick 6 (seen: ${seen[*]})"
# Between the second blue (tick 4) and the third (tick 6) the red photo of tick 5 showed.
between=$(printf '%s\n' "${seen[@]}" | awk '$0 == "0,0,255" { n++; next } n == 2 { print }')
grep -qx "255,0,0" <<<"$between" || fail "tick 5's photo never showed (seen: ${seen[*]})"
end_saver "the colour change"
echo "e2e show goes on: all checks passed"
