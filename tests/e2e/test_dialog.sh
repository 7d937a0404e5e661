#!/usr/bin/env bash
# The settings dialog of the real binary under Xvfb: it opens centred with its background
# colour, "Ok - Save" writes the options and ends the program.
source "$(dirname "$0")/lib.sh"
start_xvfb 1280x1024
export HOME="$E2E_TMP/home"
mkdir -p "$HOME"

start_quillo /C
wait_window "Quillo Screensaver Creator Settings" 20
title_is "Quillo Screensaver Creator Settings"
window=$(xdotool search --onlyvisible --name "Quillo Screensaver Creator Settings" | head -1)

eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y, WIDTH, HEIGHT
[[ $WIDTH == 607 && $HEIGHT == 518 ]] || fail "window is ${WIDTH}x${HEIGHT}, not 607x518"
[[ $X == $(((1280 - 607) / 2)) && $Y == $(((1024 - 518) / 2)) ]] ||
    fail "window at $X,$Y is not centred"

# Once it has painted, the background everywhere in the same screenshot.
wait_pixel $((X + 600)) $((Y + 100)) 222,224,214
shot="$E2E_TMP/shot.png"
for offset in "600 100" "2 512" "300 430" "600 515"; do
    read -r dx dy <<<"$offset"
    colour=$(pixel $((X + dx)) $((Y + dy)) "$shot")
    [[ $colour == "222,224,214" ]] || fail "background at +$dx,+$dy is $colour"
done

# "Ok - Save": 479, 487, 109 x 21 within the window.
xdotool mousemove $((X + 479 + 54)) $((Y + 487 + 10)) click 1
wait_exit "$QUILLO_PID" 10 || fail "the program did not end after Ok - Save"
wait "$QUILLO_PID" || fail "the program ended with an error"

ini="$XDG_CONFIG_HOME/Quillo/quillo51.ini"
[[ -f $ini ]] || fail "no settings file"
# The new file says Seq=0; only the save writes the dialog's "Display In Order".
for expected in Sound=0 Seq=1 Color=4 Picdis=11 Time=2000 Height=25 Width=25; do
    grep -qx "$expected" <(tr -d '\r' <"$ini") || fail "$expected not in the settings file"
done
echo "e2e dialog: all checks passed"
