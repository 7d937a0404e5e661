#!/usr/bin/env bash
# The saver on a desktop: under a window manager with a dock, and under an idle manager that
# holds a suspend until the screen is covered.
source "$(dirname "$0")/lib.sh"
start_xvfb 800x600
xdotool mousemove 400 300

# An idle manager's sleep lock is released once the saver's first frame is on the screen, with
# the saver still running; a lock variable that names no descriptor changes nothing.
lock="$E2E_TMP/sleep-lock"
mkfifo "$lock"
(
    cat "$lock" >/dev/null
    xdotool search --onlyvisible --name '^zadarovi$' >"$E2E_TMP/released" || echo none >"$E2E_TMP/released"
) &
E2E_PIDS+=($!)
XSS_SLEEP_LOCK_FD=9 start_quillo /S 9>"$lock"
for _ in $(seq 50); do [ -s "$E2E_TMP/released" ] && break; sleep 0.1; done
[ -s "$E2E_TMP/released" ] || fail "the sleep lock was not released"
grep -qv none "$E2E_TMP/released" || fail "the sleep lock was released before the window showed"
kill -0 "$QUILLO_PID" 2>/dev/null || fail "the saver ended after releasing the sleep lock"
xdotool key space
wait_exit "$QUILLO_PID" 5 || fail "a key did not end the saver with a sleep lock"
# Another writer holding the settings file's lock (a dialog stopped in the middle of a write):
# the screen is black at once, with the sleep lock released, and a key ends the saver while it
# waits; without a key the show starts after the wait, the lock still held. The holder keeps the
# lock far longer than any wait of the saver's (it used to wait 10 s before showing anything).
# A desktop that is not black: a magenta window over the whole screen.
/usr/bin/python3 "$(dirname "$0")/xwindow.py" desktop 0 0 800 600 >/dev/null &
E2E_PIDS+=($!)
wait_for 5 xdotool search --onlyvisible --name '^desktop$' >/dev/null || fail "no desktop window"
convert -size 40x30 xc:red "BMP3:$E2E_TMP/red.bmp"
write_settings "Picdis=2 Time=1000 Color=4" "$E2E_TMP/red.bmp"
flock "$XDG_CONFIG_HOME/Quillo/.quillo51.ini.lock" sleep 120 >/dev/null 2>&1 &
holder=$!
E2E_PIDS+=("$holder")
for _ in $(seq 50); do flock -n "$XDG_CONFIG_HOME/Quillo/.quillo51.ini.lock" true || break; sleep 0.1; done
all_black() { screenshot "$E2E_TMP/shot.png"; [ "$(count_colour "$E2E_TMP/shot.png" 0 0 800 600 0,0,0)" -eq 480000 ]; }
rm -f "$E2E_TMP/released"
(
    cat "$lock" >/dev/null
    all_black && echo covered >"$E2E_TMP/released" || echo bare >"$E2E_TMP/released"
) &
E2E_PIDS+=($!)
XSS_SLEEP_LOCK_FD=9 start_quillo /S 9>"$lock"
wait_for 5 all_black || fail "the screen was not covered while the settings lock was busy"
for _ in $(seq 50); do [ -s "$E2E_TMP/released" ] && break; sleep 0.1; done
grep -q covered "$E2E_TMP/released" || fail "the sleep lock was released before the screen was covered"
xdotool key space
wait_exit "$QUILLO_PID" 5 || fail "a key did not end a saver waiting for the settings lock"
start_quillo /S
wait_pixel 400 300 255,0,0 || fail "the show did not start after the settings lock wait"
xdotool key space
wait_exit "$QUILLO_PID" 5 || fail "a key did not end the saver"
pkill -P "$holder" sleep || true

# A number that was not open at the start may later name one of the saver's own descriptors (the
# X connection, the instance lock): it is left alone, so the saver stays whole and single.
for bad in abc 99 3 4 5 6 7 8 9 10 11 12; do
    XSS_SLEEP_LOCK_FD=$bad start_quillo /S
    wait_window zadarovi
    sleep 0.3
    rc=0
    timeout 3 "$QUILLO" /S || rc=$?
    [ "$rc" -ne 124 ] || fail "a second saver ran beside one with XSS_SLEEP_LOCK_FD='$bad'"
    kill -0 "$QUILLO_PID" 2>/dev/null || fail "the saver ended by itself with XSS_SLEEP_LOCK_FD='$bad'"
    xdotool key space
    wait_exit "$QUILLO_PID" 5 || fail "a key did not end the saver with XSS_SLEEP_LOCK_FD='$bad'"
done

# Under a window manager a dock stays above ordinary windows; the saver covers it all the same,
# full screen and focused.
start_openbox
/usr/bin/python3 "$(dirname "$0")/xwindow.py" quillo-dock 0 0 800 40 dock >/dev/null &
E2E_PIDS+=($!)
wait_window quillo-dock
wait_pixel 10 10 255,0,255 5
start_quillo /S
wait_window zadarovi
saver=$(xdotool search --onlyvisible --name '^zadarovi$' | head -n 1)
sleep 0.5
# A panel raises itself now and then (on hover, on a notice): it must stay below the saver.
xdotool search --name '^quillo-dock$' windowraise
shot="$E2E_TMP/openbox.png"
dock_hidden() { screenshot "$shot" && [ "$(count_colour "$shot" 0 0 800 600 255,0,255)" -eq 0 ]; }
wait_for 10 dock_hidden || fail "the dock shows over the saver"
eval "$(xdotool getwindowgeometry --shell "$saver")"
[[ "$X,$Y,$WIDTH,$HEIGHT" == 0,0,800,600 ]] || fail "the saver is not full screen: $WIDTH x $HEIGHT at $X,$Y"
xprop -id "$saver" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN ||
    fail "the saver did not ask for the full-screen state"
[ "$(xdotool getwindowfocus)" = "$saver" ] || fail "the saver does not have the focus"
xdotool key space
wait_exit "$QUILLO_PID" 5 || fail "a key did not end the saver under openbox"
echo "e2e desktop: all checks passed"
