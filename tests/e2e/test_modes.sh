#!/usr/bin/env bash
# The slide show under a bare X server: stretched, natural size over a colour, tiles, and the
# shuffled random order, checked in screenshots.
source "$(dirname "$0")/lib.sh"
start_xvfb 800x600
pics="$E2E_TMP/pictures"
mkdir -p "$pics"
convert -size 40x30 xc:red "BMP3:$pics/red.bmp"
convert -size 201x101 xc:lime "BMP3:$pics/lime.bmp"
convert -size 64x48 xc:blue -quality 95 "$pics/blue.jpg"
xdotool mousemove 400 300

end_saver() {
    xdotool key space
    wait_exit "$QUILLO_PID" 5 || fail "a key did not end the saver in $1"
}

# Mode 1: the picture stretched over the whole screen, one second after the start.
write_settings "Picdis=1 Time=60000 Sound=0" "$pics/red.bmp"
start_quillo /S
wait_window zadarovi
wait_pixel 0 0 255,0,0
[ "$(pixel 799 599)" = "255,0,0" ] || fail "mode 1 does not fill the screen"
end_saver "mode 1"

# Mode 2 with the green set: natural size, centred at Round(299.5) = 300, Round(249.5) = 250.
write_settings "Picdis=2 Color=3 Time=60000 Sound=0" "$pics/lime.bmp"
start_quillo /S
wait_window zadarovi
wait_pixel 300 250 0,255,0
shot="$E2E_TMP/mode2.png"
screenshot "$shot"
[ "$(pixel 299 250 "$shot")" = "0,128,0" ] || fail "mode 2: no green left of the picture"
[ "$(pixel 500 350 "$shot")" = "0,255,0" ] || fail "mode 2: picture's bottom right corner"
[ "$(pixel 501 351 "$shot")" = "0,128,0" ] || fail "mode 2: picture larger than it is"
[ "$(count_colour "$shot" 300 250 201 101 0,255,0)" -eq $((201 * 101)) ] ||
    fail "mode 2: picture not whole"
end_saver "mode 2"

# Mode 4: top left, then bottom left, each stretched over its quarter, a black line between.
# Every check looks at the screenshot that first showed the second tile, and the third tile is
# three seconds behind it: what is checked is the state after two ticks, not a moment in time.
write_settings "Picdis=4 Time=3000 Sound=0" "$pics/red.bmp" "$pics/blue.jpg"
start_quillo /S
wait_window zadarovi
wait_pixel 10 310 0,0,254 15
shot="$E2E_TMP/shot.png"
[ "$(pixel 399 299 "$shot")" = "255,0,0" ] || fail "mode 4: first tile"
[ "$(pixel 400 100 "$shot")" = "0,0,0" ] || fail "mode 4: no separating column"
[ "$(pixel 100 300 "$shot")" = "0,0,0" ] || fail "mode 4: no separating row"
[ "$(pixel 600 100 "$shot")" = "0,0,0" ] || fail "mode 4: a quarter filled too early"
end_saver "mode 4"
# Shuffle, one tick every 1.5 s: five pictures at random show five different colours in five
# ticks. A tick shows as the colour changing (the deck never deals a picture twice in a row); the
# black between a hidden picture and the next is none of them.
convert -size 16x16 xc:yellow "BMP3:$pics/yellow.bmp"
convert -size 16x16 xc:magenta "BMP3:$pics/magenta.bmp"
write_settings "Picdis=1 Seq=0 Shuffle=1 Time=1500 Sound=0" "$pics/red.bmp" "$pics/lime.bmp" \
    "$pics/blue.jpg" "$pics/yellow.bmp" "$pics/magenta.bmp"
start_quillo /S
wait_window zadarovi
seen=() last=
next_colour() {
    local now=$(pixel 400 300)
    [ "$now" != "0,0,0" ] && [ "$now" != "$last" ] && last=$now && seen+=("$now")
}
for tick in 1 2 3 4 5; do wait_for 15 next_colour || fail "shuffle: tick $tick not seen"; done
[ "$(printf '%s\n' "${seen[@]}" | sort -u | wc -l)" -eq 5 ] || fail "shuffle showed ${seen[*]}"
end_saver "shuffle"
echo "e2e modes: all checks passed"
