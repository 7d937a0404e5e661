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

# Several -root starts side by side, as an idle daemon runs one per monitor: each draws in its own
# window, none ends early, whether they start together or one after another, and one of them
# plays the sound list. EMBED_ROUNDS repeats the four arrangements (by hand: EMBED_ROUNDS=50).

# window_at NAME X Y W H: a window of "another program" beside others; sets WIN_ID and WIN_PID.
window_at() {
    local out="$E2E_TMP/window.$1"
    : >"$out"
    /usr/bin/python3 "$(dirname "$0")/xwindow.py" "$@" >"$out" &
    WIN_PID=$!
    WIN_ID=
    for _ in $(seq 100); do
        WIN_ID=$(head -n 1 "$out")
        [ -n "$WIN_ID" ] && return 0
        sleep 0.1
    done
    fail "the window $1 did not appear"
}

# sounding HUNDREDTHS FILE...: how many of the disk driver's files hold that much sound.
sounding() {
    local least=$1 n=0 file
    shift
    for file in "$@"; do SDL_DISKAUDIOFILE=$file heard_at_least "$least" && n=$((n + 1)); done
    echo "$n"
}
# tracks N HUNDREDTHS FILE...: true when exactly N of the files hold that much sound.
tracks() { [ "$(sounding "${@:2}")" -eq "$1" ]; }

# side_by_side COUNT GAP [takeover]: COUNT -root starts GAP seconds apart, each in a window of
# its own in a row and with a disk audio file of its own.
side_by_side() {
    local count=$1 gap=$2 takeover=${3:-} i status
    local -a windows=() savers=() audio=() spots=()
    local what="$count -root starts $gap s apart" kept=("${E2E_PIDS[@]}")
    for i in $(seq 0 $((count - 1))); do
        window_at "monitor$i" $((i * 270)) 300 260 200
        windows+=("$WIN_PID")
        E2E_PIDS+=("$WIN_PID")
        audio+=("$E2E_TMP/audio.$i.raw")
        spots+=("$((i * 270 + 130)) 400")
        rm -f "${audio[i]}"
    done
    for i in $(seq 0 $((count - 1))); do
        [ "$i" -eq 0 ] || [ "$gap" = 0 ] || sleep "$gap"
        XSCREENSAVER_WINDOW=$(head -n 1 "$E2E_TMP/window.monitor$i") \
            SDL_DISKAUDIOFILE="${audio[i]}" "$QUILLO" -root >>"$E2E_TMP/quillo.log" 2>&1 &
        savers+=($!)
        E2E_PIDS+=($!)
    done
    all_drawn() {
        local spot
        screenshot "$E2E_TMP/row.png"
        for spot in "${spots[@]}"; do
            [ "$(pixel $spot "$E2E_TMP/row.png")" = "255,0,0" ] || return 1
        done
    }
    wait_for 20 all_drawn || fail "$what: not every window shows the picture"
    wait_for 15 tracks 1 50 "${audio[@]}" || fail "$what: $(sounding 50 "${audio[@]}") tracks"
    # A second track would start with its saver's show or at one of its ticks, a second apart:
    # two seconds more, and none may have sounded at all.
    sleep 2
    tracks 1 1 "${audio[@]}" || fail "$what: $(sounding 1 "${audio[@]}") tracks play"
    for i in "${!savers[@]}"; do
        kill -0 "${savers[i]}" 2>/dev/null || fail "$what: start $i ended early"
    done
    if [ -n "$takeover" ]; then
        # While they run no other saver starts, and neither does the settings dialog: each ends
        # at once (a saver or a dialog that ran would outlive the timeout).
        for switch in /S /C /A; do
            status=0
            timeout 10 "$QUILLO" "$switch" >>"$E2E_TMP/quillo.log" 2>&1 || status=$?
            [ "$status" -eq 0 ] || fail "$switch beside savers in windows ended with $status"
        done
        # The one that plays ends: another takes the sound over at its next tick.
        for i in "${!savers[@]}"; do
            SDL_DISKAUDIOFILE="${audio[i]}" heard_at_least 50 || continue
            kill -TERM "${savers[i]}"
            wait "${savers[i]}" || fail "$what: the sound's saver ended with an error"
            unset 'savers[i]' 'audio[i]'
            break
        done
        wait_for 15 tracks 1 50 "${audio[@]}" || fail "$what: no saver took the sound over"
        sleep 2
        tracks 1 1 "${audio[@]}" || fail "$what: $(sounding 1 "${audio[@]}") took the sound over"
    fi
    for i in "${!savers[@]}"; do
        kill -TERM "${savers[i]}"
        status=0
        wait "${savers[i]}" || status=$?
        [ "$status" -eq 0 ] || fail "$what: start $i ended with $status after SIGTERM"
    done
    kill "${windows[@]}"
    wait "${windows[@]}" 2>/dev/null || true
    # All ended and reaped: none of their ids may name another process at the cleanup.
    E2E_PIDS=("${kept[@]}")
}

side_by_side 3 0 takeover
for round in $(seq "${EMBED_ROUNDS:-1}"); do
    for arrangement in "2 0" "2 1" "3 0" "3 1"; do side_by_side $arrangement; done
    [ "${EMBED_ROUNDS:-1}" -eq 1 ] || echo "round $round: all four arrangements passed"
done

# The full-screen saver keeps savers in windows away: such a start ends at once.
xdotool mousemove 400 300
start_quillo /S
wait_window zadarovi
window_at late 0 0 200 200
status=0
XSCREENSAVER_WINDOW=$WIN_ID timeout 10 "$QUILLO" -root >>"$E2E_TMP/quillo.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "-root beside the full-screen saver ended with $status"
kill -0 "$QUILLO_PID" || fail "-root ended the full-screen saver"
xdotool key space
wait_exit "$QUILLO_PID" 5 || fail "a key did not end the full-screen saver"
kill "$WIN_PID"
echo "e2e embed: all checks passed"
