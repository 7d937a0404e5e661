#!/usr/bin/env bash
# The first monitor, the one that holds the output, unplugged and plugged in again while the saver
# runs under a window manager, with AllScreens on and off. After each step every monitor is
# covered, also once the window manager has moved our windows; the show goes on; and a key (after
# a side-button click there), a click and a move on each monitor end the saver. On Xvfb,
# unplugging that monitor makes RandR add an automatic one spanning the whole screen, around the
# other monitor.
source "$(dirname "$0")/lib.sh"
start_xvfb 1600x900
# The desktop behind the monitors is magenta, so an uncovered pixel shows.
xsetroot -solid magenta
start_openbox
plug_in() { xrandr --setmonitor LEFT 1000/264x700/185+0+0 screen >/dev/null; }
unplug() { xrandr --delmonitor LEFT >/dev/null; }
plug_in
xrandr --setmonitor RIGHT 600/158x400/105+1000+0 none >/dev/null
pics="$E2E_TMP/pictures"
mkdir -p "$pics"
for c in red lime blue yellow; do convert -size 40x30 "xc:$c" "BMP3:$pics/$c.bmp"; done
four=("$pics/red.bmp" "$pics/lime.bmp" "$pics/blue.bmp" "$pics/yellow.bmp")
export QUILLO_TRACE_END=1

# uncovered: how many pixels of the monitors RandR lists show the desktop, in a new screenshot
# (counted in full: a whole monitor uncovered is more than a million).
uncovered() {
    local shot="$E2E_TMP/shot.png" n=0 g
    screenshot "$shot"
    for g in $(xrandr --listmonitors | awk 'NR > 1 { print $3 }'); do
        [[ $g =~ ^([0-9]+)/[0-9]+x([0-9]+)/[0-9]+\+([0-9]+)\+([0-9]+)$ ]] || fail "monitor $g?"
        local r=("${BASH_REMATCH[@]}")
        n=$((n + $(convert "$shot" -crop "${r[1]}x${r[2]}+${r[3]}+${r[4]}" +repage \
            -fill white +opaque "rgb(255,0,255)" -fill black -opaque "rgb(255,0,255)" -negate \
            -precision 16 -format "%[fx:int(mean*w*h+0.5)]" info:)))
    done
    echo "$n"
}
covered() { [ "$(uncovered)" -eq 0 ]; }

# take_steps N: the first monitor unplugged (N >= 1), then plugged in again (N = 2), every monitor
# covered after each step. With timed, says how long the covering took (a screenshot included),
# and checks again once the window manager has had time to lay things out.
take_steps() {
    local n=$1 timed=${2:-} i t0
    for i in $(seq "$n"); do
        t0=$(date +%s%N)
        if [ "$i" = 1 ]; then unplug; else plug_in; fi
        wait_for 10 covered || fail "step $i: $(uncovered) pixels of the monitors uncovered"
        if [ -n "$timed" ]; then
            echo "step $i: covered in $((($(date +%s%N) - t0) / 1000000)) ms"
            sleep 1
            covered || fail "step $i: $(uncovered) pixels of the monitors uncovered a second later"
        fi
    done
}
# back_to_two N: the desk as it was before the steps.
back_to_two() { [ "$1" != 1 ] || plug_in; }

# centres: the colours at the centres of LEFT and RIGHT (LEFT's area is the automatic monitor's
# part too).
centres() {
    screenshot "$E2E_TMP/shot.png"
    echo "$(pixel 500 350 "$E2E_TMP/shot.png") $(pixel 1300 200 "$E2E_TMP/shot.png")"
}
changed_from() { [ "$(centres)" != "$1" ]; }

declare -A point=([left]="500 350" [right]="1300 200")
for all in 1 0; do
    write_settings "Picdis=2 Time=2000 Color=4 Sound=0 AllScreens=$all" "${four[@]}"
    # Both steps, each covered, and the show going on after them.
    xdotool mousemove 500 350
    start_quillo /S
    wait_window zadarovi
    wait_for 10 covered || fail "AllScreens=$all: $(uncovered) pixels uncovered at the start"
    take_steps 2 timed
    # A window manager that lays out its full-screen windows again may move ours onto another
    # monitor (as it does when asked to move one): each goes back over its own.
    for w in $(xdotool search --onlyvisible --pid "$QUILLO_PID"); do xdotool windowmove "$w" 300 300; done
    wait_for 10 covered || fail "AllScreens=$all: $(uncovered) pixels uncovered after a move"
    sleep 1
    covered || fail "AllScreens=$all: $(uncovered) pixels uncovered a second after a move"
    before=$(centres)
    wait_for 10 changed_from "$before" || fail "AllScreens=$all: the show stopped ($before)"
    xdotool key space
    wait_exit "$QUILLO_PID" 5 || fail "AllScreens=$all: a key did not end the saver"

    # Input on each monitor after each number of steps ends the saver.
    for steps in 0 1 2; do
        for monitor in left right; do
            for input in key click move; do
                what="AllScreens=$all, $steps steps, $input on $monitor"
                xdotool mousemove ${point[$monitor]}
                : >"$E2E_TMP/quillo.log"
                start_quillo /S
                wait_window zadarovi
                wait_for 10 covered || fail "$what: $(uncovered) pixels uncovered at the start"
                take_steps "$steps"
                case $input in
                key)
                    xdotool click 8  # a side button, which ends nothing
                    xdotool key space
                    expected="ends on key" ;;
                click)
                    xdotool click 1
                    expected="ends on mouse button" ;;
                move)
                    xdotool mousemove_relative 60 0
                    expected="ends on a mouse move" ;;
                esac
                wait_exit "$QUILLO_PID" 5 || fail "$what: the saver did not end"
                grep -q "$expected" "$E2E_TMP/quillo.log" || fail "$what: $(cat "$E2E_TMP/quillo.log")"
                back_to_two "$steps"
            done
        done
    done
done
echo "e2e first screen unplugged: all checks passed"
