#!/usr/bin/env bash
# The show inside another program's window, as idle daemons and settings previews run it: at
# that window's size, following its resizes, deaf to input, ended by SIGTERM or the window's end.
source "$(dirname "$0")/lib.sh"
start_xvfb 800x600
pics="$E2E_TMP/pictures"
mkdir -p "$pics"
convert -size 40x30 xc:red "BMP3:$pics/red.bmp"
make_tone "$E2E_TMP/tone.wav"
SOUND_FILES="$E2E_TMP/tone.wav" write_settings "Picdis=1 Time=1000 Sound=1" "$pics/red.bmp"

# Requests that name no usable window: a message and a failure, nothing shown.
expect_error() {
    local status=0
    timeout 5 env "$@" >"$E2E_TMP/err.log" 2>&1 || status=$?
    [ "$status" -ne 0 ] && [ "$status" -ne 124 ] || fail "$* ended with $status"
    grep -q '^quillo: ' "$E2E_TMP/err.log" || fail "$*: no message"
}
expect_error -u XSCREENSAVER_WINDOW "$QUILLO" -root
expect_error XSCREENSAVER_WINDOW= "$QUILLO" -root
expect_error XSCREENSAVER_WINDOW=abc "$QUILLO" --root
expect_error XSCREENSAVER_WINDOW=0x7ffffff "$QUILLO" -root
expect_error "$QUILLO" -window-id
expect_error "$QUILLO" --window-id 12ab
expect_error "$QUILLO" -window-id 0x7ffffff

# host NAME X Y W H: a window of "another program"; sets HOST_ID and HOST_PID.
host() {
    coproc HOST { exec /usr/bin/python3 "$(dirname "$0")/xwindow.py" "$@"; }
    HOST_PID=$HOST_PID
    E2E_PIDS+=("$HOST_PID")
    read -r HOST_ID <&"${HOST[0]}"
}

# A preview: the picture stretched over the window at 100,50, 320x240, and nothing outside it.
host preview 100 50 320 240
xdotool mousemove 400 300
start_quillo -window-id "$HOST_ID"
wait_pixel 100 50 255,0,0
expect_count 0 0 800 600 255,0,0 $((320 * 240)) "the picture does not fill exactly the window"
[ "$(pixel 419 289 "$E2E_TMP/shot.png")" = "255,0,0" ] || fail "the picture misses the window's corner"
# Input does not end it.
xdotool mousemove 700 550 click 1 key space
sleep 0.5
kill -0 "$QUILLO_PID" 2>/dev/null || fail "input ended the saver inside a window"
# A resize is followed: the window's background at once, the picture from the next tick on.
xdotool windowsize "$HOST_ID" 500 400
wait_pixel 599 449 255,0,0
expect_count 0 0 800 600 255,0,0 $((500 * 400)) "the picture did not follow the resize"
# A size too large to draw fails every tick: inside another program's window nobody could answer
# a box, so the failure goes to standard error instead, and nothing keeps the process alive once
# the window goes.
xdotool windowsize "$HOST_ID" 20000 20000
for _ in $(seq 100); do grep -q '^quillo: Error: ' "$E2E_TMP/quillo.log" && break; sleep 0.1; done
grep -q '^quillo: Error: ' "$E2E_TMP/quillo.log" || fail "no message for a failure inside a window"
sleep 0.5
xdotool search --onlyvisible --name '^Error$' >/dev/null 2>&1 && fail "a box came up inside a window"
# The window going away ends it. A preview plays no sound, whatever the settings say.
kill "$HOST_PID"
wait_exit "$QUILLO_PID" 5 || fail "the saver outlived its window"
[ ! -s "$SDL_DISKAUDIOFILE" ] || [ "$(heard)" -eq 0 ] || fail "the preview played sound"

# A settings program's preview: the daemon's command line with a window added. That window wins
# over -root (whose variable names no window here), the preview stays silent and takes no lock,
# so the settings dialog opens beside it.
host preview 100 50 320 240
XSCREENSAVER_WINDOW=0x7ffffff start_quillo -root --window-id "$HOST_ID"
preview=$QUILLO_PID
wait_pixel 100 50 255,0,0
start_quillo /C
wait_window "Quillo Screensaver Creator Settings" 20
kill "$QUILLO_PID"
kill "$HOST_PID"
wait_exit "$preview" 5 || fail "the daemon's preview outlived its window"
[ ! -s "$SDL_DISKAUDIOFILE" ] || [ "$(heard)" -eq 0 ] || fail "the daemon's preview played sound"

# -root: the window named by XSCREENSAVER_WINDOW (hex), with the sound of the settings; SIGTERM
# ends it cleanly.
host daemon 0 0 800 600
XSCREENSAVER_WINDOW=$(printf '0x%x' "$HOST_ID") start_quillo -root
wait_pixel 799 599 255,0,0
wait_for 15 heard_at_least 50 || fail "-root played no sound"
kill -TERM "$QUILLO_PID"
wait_exit "$QUILLO_PID" 5 || fail "SIGTERM did not end the saver inside a window"
wait "$QUILLO_PID" || fail "the saver ended with an error after SIGTERM"
kill "$HOST_PID"
echo "e2e embed: all checks passed"
