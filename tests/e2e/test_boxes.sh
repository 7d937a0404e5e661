#!/usr/bin/env bash
# A box over the saver (here: the settings file cannot be written, its lock being a folder) stays
# up over the black window until answered, but each input that ends the saver ends it under the
# box too, box and all, wherever it happens; input that does not end the saver leaves both.
source "$(dirname "$0")/lib.sh"
start_xvfb 640x480
convert -size 64x48 xc:red "BMP3:$E2E_TMP/red.bmp"
write_settings "Picdis=1 Time=60000 Sound=0" "$E2E_TMP/red.bmp"
mkdir "$XDG_CONFIG_HOME/Quillo/.quillo51.ini.lock"

# start_with_box: a saver whose first picture has put up its error box.
start_with_box() {
    xdotool mousemove 320 240
    start_quillo /S
    wait_window Error
    sleep 0.3
}

ends_with_box() {
    wait_exit "$QUILLO_PID" 3 || fail "$1 under a box did not end the saver"
    xdotool search --onlyvisible --name '^Error$' >/dev/null 2>&1 && fail "$1 left the box up"
    return 0
}

# Input that does not end the saver: a small move, a wheel turn. The box and the saver stay, the
# box over a black screen.
start_with_box
[ "$(pixel 5 5)" = "0,0,0" ] || fail "no black saver window behind the box: $(pixel 5 5)"
xdotool mousemove 350 260
xdotool click 4
sleep 0.7
kill -0 "$QUILLO_PID" 2>/dev/null || fail "a 30-pixel move or a wheel turn ended the saver"
xdotool search --onlyvisible --name '^Error$' >/dev/null || fail "the box went without an answer"

# A move of 70 pixels from the start position, away from the box.
xdotool mousemove 390 240
ends_with_box "a 70-pixel move"

# A letter key going down (it does not answer the box), then each mouse button.
for input in "key x" "click 1" "click 3" "click 2"; do
    start_with_box
    # shellcheck disable=SC2086
    xdotool mousemove 300 230 $input
    ends_with_box "$input"
done
# A click outside the box, on the black window where the pointer stood from the start.
xdotool mousemove 20 20
start_quillo /S
wait_window Error
sleep 0.3
xdotool click 1
ends_with_box "a click outside the box"


# Clicking the box's own button answers it and ends the saver with it.
start_with_box
box=$(xdotool search --onlyvisible --name '^Error$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$box")"
xdotool mousemove $((X + WIDTH - 30)) $((Y + HEIGHT - 20)) click 1
ends_with_box "clicking the box"

# A key that was down before the box came up: its release ends the saver.
xdotool mousemove 320 240 keydown shift
start_quillo /S
wait_window Error
sleep 0.3
xdotool keyup shift
ends_with_box "a key going up"
echo "e2e boxes: all checks passed"
