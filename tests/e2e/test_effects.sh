#!/usr/bin/env bash
# The effects under a bare X server: a fade between two plain pictures, seen in the middle and at
# the end, fades ended by a key, a click and a move, and a roll-down stopped by a key.
source "$(dirname "$0")/lib.sh"
start_xvfb 640x480

# plain WxH R,G,B FILE: a 24-bit bitmap of one colour.
plain() { convert -size "$1" "xc:rgb($2)" -type TrueColor "BMP3:$3"; }

# Fade: both pictures as large as the screen, so the centre pixel is always covered.
plain 640x480 200,0,250 "$E2E_TMP/old.bmp"
plain 640x480 0,200,50 "$E2E_TMP/new.bmp"
options="Sound=0 Seq=1 Color=4 Time=20000"
write_settings "$options Picdis=11" "$E2E_TMP/old.bmp" "$E2E_TMP/new.bmp"
xdotool mousemove 320 240
start_quillo /S
wait_window zadarovi
# The first tick comes after a second and fades for about four: look until the new colour shows.
middle=0
final=
for _ in $(seq 1 60); do
    shot="$E2E_TMP/fade.png"
    screenshot "$shot"
    IFS=, read -r r g b <<<"$(pixel 320 240 "$shot")"
    if [ "$r,$g,$b" = "0,200,50" ]; then
        final=$shot
        break
    fi
    # In the middle every channel lies strictly between its two ends.
    if ((r > 0 && r < 200 && g > 0 && g < 200 && b > 50 && b < 250)); then
        middle=$((middle + 1))
        cp "$shot" "$E2E_TMP/middle.png"
    fi
    sleep 0.1
done
[ -n "$final" ] || fail "the fade never reached the new picture (last $r,$g,$b)"
[ "$middle" -ge 2 ] || fail "saw only $middle frames in the middle of the fade"
# The end frame stays: the next tick is twenty seconds away.
sleep 0.5
[ "$(pixel 320 240)" = "0,200,50" ] || fail "the last frame of the fade did not stay"
xdotool key space
wait_exit "$QUILLO_PID" 3 || fail "a key after the fade did not end the saver"

# Input during a fade: a key, a click and a 60-pixel move, each about a second into the fade,
# end the saver at once, not when the fade is over (3 s later). The limit leaves a busy machine
# room; bench/fade_wake.sh measures the time itself.
fade_ends=
for input in "key space" "click 1" "mousemove_relative 60 0"; do
    write_settings "$options Picdis=11" "$E2E_TMP/old.bmp" "$E2E_TMP/new.bmp"
    xdotool mousemove 320 240
    start_quillo /S
    wait_window zadarovi
    # Looked at until the fade shows: the old picture's colour, or one on the way to the new.
    fading=0
    for _ in $(seq 1 100); do
        IFS=, read -r r g b <<<"$(pixel 320 240)"
        ((r > 0 && r <= 200 && g < 200 && b > 50 && b <= 250)) && fading=1 && break
        sleep 0.05
    done
    ((fading)) || fail "no fade began (last $r,$g,$b)"
    sleep 1
    sent=$(date +%s%N)
    xdotool $input
    for _ in $(seq 1 150); do
        kill -0 "$QUILLO_PID" 2>/dev/null || break
        sleep 0.01
    done
    took=$((($(date +%s%N) - sent) / 1000000))
    ! kill -0 "$QUILLO_PID" 2>/dev/null || fail "'xdotool $input' 1 s into a fade did not end it within about 1.5 s"
    fade_ends="$fade_ends ${input%% *} ${took} ms,"
done

# Roll-down: a tall picture takes several seconds; a key ends it at the next row.
plain 200x460 255,255,0 "$E2E_TMP/tall.bmp"
write_settings "$options Picdis=8" "$E2E_TMP/tall.bmp"
start_quillo /S
wait_window zadarovi
# Looked at until 20 rows are down; the same screenshot must show the roll unfinished.
shot="$E2E_TMP/roll.png"
rolled=0
for _ in $(seq 1 100); do
    screenshot "$shot"
    rolled=$(count_colour "$shot" 220 0 200 480 255,255,0)
    ((rolled > 200 * 20)) && break
    sleep 0.1
done
((rolled > 200 * 20 && rolled < 200 * 440)) || fail "roll-down not part way down ($rolled pixels)"
started=$(date +%s%N)
xdotool key space
wait_exit "$QUILLO_PID" 2 || fail "a key did not end the roll-down"
took=$((($(date +%s%N) - started) / 1000000))
echo "e2e effects: $middle screenshots mid-fade; fade ended by${fade_ends%,}; roll-down ended ${took} ms after the key; all checks passed"
