#!/usr/bin/env bash
# The settings dialog of the real binary under Xvfb: it opens centred with its background
# colour, "Ok - Save" writes the options and ends the program.
# Usage: test_dialog.sh <path to quillo>
set -euo pipefail

quillo=${1:?usage: test_dialog.sh <quillo binary>}
work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A free display number: no lock file and no socket.
display=
for n in $(seq 90 150); do
    if [[ ! -e /tmp/.X$n-lock && ! -e /tmp/.X11-unix/X$n ]]; then display=$n; break; fi
done
[[ -n $display ]] || fail "no free X display"
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start"

export XDG_CONFIG_HOME="$work/config"
export HOME="$work/home"
mkdir -p "$XDG_CONFIG_HOME" "$HOME"
unset QT_QPA_PLATFORM
"$quillo" /C >"$work/app.log" 2>&1 &
app_pid=$!

window=
for _ in $(seq 200); do
    window=$(xdotool search --name "Quillo Screensaver Creator Settings" 2>/dev/null | head -1 || true)
    [[ -n $window ]] && break
    sleep 0.1
done
[[ -n $window ]] || { cat "$work/app.log" >&2; fail "the settings dialog did not appear"; }
sleep 1  # let it paint

eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y, WIDTH, HEIGHT
[[ $WIDTH == 607 && $HEIGHT == 518 ]] || fail "window is ${WIDTH}x${HEIGHT}, not 607x518"
[[ $X == $(((1280 - 607) / 2)) && $Y == $(((1024 - 518) / 2)) ]] ||
    fail "window at $X,$Y is not centred"

import -window root "$work/shot.png"
pixel() { convert "$work/shot.png" -format "%[pixel:p{$1,$2}]" info:; }
for offset in "600 100" "2 512" "300 430" "600 515"; do
    read -r dx dy <<<"$offset"
    colour=$(pixel $((X + dx)) $((Y + dy)))
    case $colour in
        "srgb(222,224,214)") ;;
        *) fail "background at +$dx,+$dy is $colour" ;;
    esac
done

# "Ok - Save": 479, 487, 109 x 21 within the window.
xdotool mousemove $((X + 479 + 54)) $((Y + 487 + 10)) click 1
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end after Ok - Save"
wait "$app_pid" || fail "the program ended with an error"
app_pid=

ini="$XDG_CONFIG_HOME/Quillo/quillo51.ini"
[[ -f $ini ]] || fail "no settings file"
# The new file says Seq=0; only the save writes the dialog's "Display In Order".
for expected in Sound=0 Seq=1 Color=4 Picdis=11 Time=2000 Height=25 Width=25; do
    grep -qx "$expected" <(tr -d '\r' <"$ini") || fail "$expected not in the settings file"
done
echo "PASS"
