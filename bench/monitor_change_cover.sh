#!/usr/bin/env bash
# How soon every monitor is covered again after the first monitor (the one that holds the output)
# is unplugged, and after it is plugged in again, under openbox on Xvfb, with AllScreens on and
# off: five cycles each. After each change, 12 screenshots are taken back to back; the figure is
# when the first of them with no desktop pixel on any monitor was started (one screenshot's time
# is the resolution), and whether a later one showed the desktop again.
# Usage: bench/monitor_change_cover.sh QUILLO
source "$(dirname "$0")/../tests/e2e/lib.sh"
start_xvfb 1600x900
xsetroot -solid magenta
start_openbox
plug_in() { xrandr --setmonitor LEFT 1000/264x700/185+0+0 screen >/dev/null; }
plug_in
xrandr --setmonitor RIGHT 600/158x400/105+1000+0 none >/dev/null
convert -size 40x30 xc:red "BMP3:$E2E_TMP/red.bmp"
# magenta FILE WxH+X+Y: the desktop's pixels in that area (counted in full).
magenta() {
    convert "$1" -crop "$2" +repage -fill white +opaque "rgb(255,0,255)" -fill black \
        -opaque "rgb(255,0,255)" -negate -precision 16 -format "%[fx:int(mean*w*h+0.5)]" info:
}
for all in 1 0; do
    write_settings "Picdis=2 Time=2000 Color=4 Sound=0 AllScreens=$all" "$E2E_TMP/red.bmp"
    xdotool mousemove 500 350
    start_quillo /S
    wait_window zadarovi
    sleep 2
    for cycle in 1 2 3 4 5; do
        for step in unplug plug; do
            t0=$(date +%s%N)
            if [ $step = unplug ]; then
                xrandr --delmonitor LEFT
                areas="1600x900+0+0"  # the automatic monitor RandR adds
            else
                plug_in
                areas="1000x700+0+0 600x400+1000+0"
            fi
            rm -f "$E2E_TMP"/t_*.png
            for _ in $(seq 12); do
                import -window root "$E2E_TMP/t_$(printf %05d $((($(date +%s%N) - t0) / 1000000))).png"
            done
            first=none again=no
            for f in $(ls "$E2E_TMP"/t_*.png | sort); do
                n=0
                for a in $areas; do n=$((n + $(magenta "$f" "$a"))); done
                ms=$(basename "$f" .png)
                ms=$((10#${ms#t_}))
                if [ $n -eq 0 ]; then
                    [ "$first" != none ] || first=$ms
                elif [ "$first" != none ]; then
                    again=yes
                fi
            done
            echo "AllScreens=$all $step: covered in the screenshot started at $first ms; uncovered again: $again"
            sleep 1
        done
    done
    xdotool key space
    wait_exit "$QUILLO_PID" 5 || fail "a key did not end the saver"
done
