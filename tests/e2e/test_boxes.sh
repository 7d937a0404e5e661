#!/usr/bin/env bash
# A box over the saver (here: the settings file cannot be written, for a folder stands in its
# place) stays up until answered, but each input that ends the saver ends it under the box too,
# box and all; input that does not end the saver leaves both.
source "$(dirname "$0")/lib.sh"
start_xvfb 640x480
mkdir -p "$XDG_CONFIG_HOME/Quillo/quillo51.ini"

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

# Input that does not end the saver: a small move, a wheel turn. The box and the saver stay.
start_with_box
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
