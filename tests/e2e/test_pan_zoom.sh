#!/usr/bin/env bash
# Pan and zoom (mode 12) under a bare X server: two screenshots 2 s apart, with no tick between (the next is 10 s after the first)
# them, differ by the motion alone, and both are covered by the photo (never the black
# background). Then a key ends the saver.
source "$(dirname "$0")/lib.sh"
start_xvfb 800x600
pics="$E2E_TMP/pictures"
mkdir -p "$pics"
# Twice as wide as the screen: orange to blue left to right with white stripes, green 64 or
# more everywhere, so that no pixel of it is black.
convert -size 600x1600 gradient:'rgb(255,64,0)-rgb(0,64,255)' -rotate -90 -fill white \
    -draw "rectangle 400,0 420,600" -draw "rectangle 800,0 820,600" \
    -draw "rectangle 1200,0 1220,600" -quality 92 "$pics/wide.jpg"
xdotool mousemove 400 300
write_settings "Picdis=12 Color=4 Time=10000 Sound=0" "$pics/wide.jpg"
start_quillo /S
wait_window zadarovi
shown() { [ "$(pixel 400 300)" != "0,0,0" ]; }
wait_for 10 shown || fail "the photo did not come"
first="$E2E_TMP/first.png" second="$E2E_TMP/second.png"
screenshot "$first"
sleep 2
screenshot "$second"
for shot in "$first" "$second"; do
    [ "$(count_colour "$shot" 0 0 800 600 0,0,0)" -eq 0 ] ||
        fail "the photo does not cover the screen in $(basename "$shot")"
done
moved=$(compare -metric AE -fuzz 1% "$first" "$second" null: 2>&1 || true)
[ "${moved%% *}" -gt 100000 ] 2>/dev/null ||
    fail "the screen did not move in 2 s: $moved pixels differ"
xdotool key space
wait_exit "$QUILLO_PID" 5 || fail "a key did not end the saver"
echo "e2e pan and zoom: all checks passed"
