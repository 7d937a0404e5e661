#!/usr/bin/env bash
# The saver under a bare X server: defaults file, white info window, single instance, input.
source "$(dirname "$0")/lib.sh"
start_xvfb 800x600
ini="$XDG_CONFIG_HOME/Quillo/quillo51.ini"

# Arguments that run no mode end at once and leave the settings folder alone.
for args in "" "/P 1234" "/S:1234" "/" "/SAVE"; do
    # shellcheck disable=SC2086
    timeout 5 "$QUILLO" $args || fail "quillo $args did not end by itself"
done
[ ! -e "$XDG_CONFIG_HOME/Quillo" ] || fail "a process without a mode touched the settings folder"

# /S: the defaults file appears and the window is white with the information text.
xdotool mousemove 400 300
start_quillo /S
wait_window zadarovi
title_is zadarovi
wait_pixel 5 5 255,255,255
[ -f "$ini" ] || fail "no settings file was created"
grep -q '^Picdis=11$' "$ini" || fail "defaults missing from $ini"
[ "$(grep -c '=Null$' "$ini")" -eq 2000 ] || fail "expected 2000 free slots"
shot="$E2E_TMP/white.png"
screenshot "$shot"
[ "$(pixel 5 5 "$shot")" = "255,255,255" ] || fail "window is not white: $(pixel 5 5 "$shot")"
[ "$(pixel 795 595 "$shot")" = "255,255,255" ] || fail "window does not cover the screen"
# The text: dark pixels inside the label's rectangle, none outside it.
dark=$(count_colour "$shot" 60 223 469 106 0,0,0)
[ "$dark" -gt 200 ] || fail "no text in the label area ($dark black pixels)"
outside=$(count_colour "$shot" 0 0 800 200 0,0,0)
[ "$outside" -eq 0 ] || fail "black pixels outside the label ($outside)"

# A second saver beside it ends at once, and so does the settings dialog.
timeout 5 "$QUILLO" /S || fail "second /S did not end at once"
timeout 5 "$QUILLO" /C || fail "/C beside a saver did not end at once"

# A mouse move of 40 pixels leaves it running; 56 ends it.
xdotool mousemove 440 300
sleep 0.7
kill -0 "$QUILLO_PID" 2>/dev/null || fail "a 40-pixel move ended the saver"
xdotool mousemove 456 300
wait_exit "$QUILLO_PID" 5 || fail "a 56-pixel move did not end the saver"

# A key press ends it.
xdotool mousemove 400 300
start_quillo /s
wait_window zadarovi
sleep 0.5
xdotool key space
wait_exit "$QUILLO_PID" 5 || fail "a key did not end the saver"

# SIGTERM ends it the same way, and the lock goes with it.
start_quillo /S
wait_window zadarovi
kill -TERM "$QUILLO_PID"
wait_exit "$QUILLO_PID" 5 || fail "SIGTERM did not end the saver"
timeout 5 "$QUILLO" /S &
again=$!
E2E_PIDS+=("$again")
wait_window zadarovi
xdotool key Escape
wait_exit "$again" 5 || fail "a saver after SIGTERM did not start or end"

# A start that fails (the settings file is a folder): the error box takes the keyboard though the
# pointer is far from it, and a key going down ends the saver under it, box and all.
mkdir -p "$ini.d" && mv "$ini" "$ini.saved" && mv "$ini.d" "$ini"
xdotool mousemove 5 5
start_quillo /S
wait_window Error
title_is Error
sleep 0.5
xdotool key Return
wait_exit "$QUILLO_PID" 5 || fail "after a failed start a key did not end the saver"

# SIGTERM while that box is up ends the saver at once and frees the lock.
start_quillo /S
wait_window Error
kill -TERM "$QUILLO_PID"
wait_exit "$QUILLO_PID" 5 || fail "SIGTERM with a box up did not end the saver"
rmdir "$ini" && mv "$ini.saved" "$ini"
start_quillo /S
wait_window zadarovi
xdotool key Escape
wait_exit "$QUILLO_PID" 5 || fail "a saver after SIGTERM with a box did not start or end"
echo "e2e saver: all checks passed"
