#!/usr/bin/env bash
# Quillo under xscreensaver on two monitors: BLANKS blanks (default 20) on an Xvfb with two RandR
# monitors side by side, each begun by `xscreensaver-command -activate` and ended by
# `-deactivate`. xscreensaver starts one `quillo -root` per monitor, each through a wrapper that
# gives it a disk audio file of its own and logs its start and its end. A blank passes when both
# monitors' starts run until the unblank and show the picture, and exactly one of them plays
# sound. Prints one line per blank and the totals.
# Usage: bench/xscreensaver_blanks.sh QUILLO (needs Debian's xscreensaver package, and a user
# other than root: xscreensaver launches no hack for root, so as root run it through
# `runuser -u nobody -- env TMPDIR=/tmp bash bench/xscreensaver_blanks.sh QUILLO`)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
quillo="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
blanks=${BLANKS:-20}
work="$(mktemp -d)"
chmod 755 "$work"
xvfb= saver=
trap 'kill $saver $xvfb 2>/dev/null || true; wait 2>/dev/null || true; [ -z "${XSS_LOG:-}" ] || cp "$work/xscreensaver.log" "$XSS_LOG"; rm -rf "$work"' EXIT

# Settings: one red picture a second and a 30-second tone.
mkdir -p "$work/config/Quillo" "$work/home"
mkdir -m 700 "$work/run"
convert -size 64x48 xc:red "BMP3:$work/red.bmp"
python3 - "$work/tone.wav" <<'PY'
import struct, sys, wave
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(1), w.setsampwidth(2), w.setframerate(44100)
    period = struct.pack("<h", 12304) * 50 + struct.pack("<h", -12304) * 50
    w.writeframes(period * 441 * 30)
PY
{
    printf '[Options]\nSound=1\nTime=1000\nPicdis=1\n'
    slots JpegConfig "$work/red.bmp"
    slots WavConfig "$work/tone.wav"
} >"$work/config/Quillo/quillo51.ini"

# The hack as xscreensaver runs it: SIGTERM is passed on, and the end says whether it came.
cat >"$work/hack.sh" <<'HACK'
#!/bin/sh
export SDL_DISKAUDIOFILE="$WORK/audio.$$.raw"
echo "start $$ $XSCREENSAVER_WINDOW" >>"$WORK/hacks.log"
"$QUILLO" -root 2>>"$WORK/quillo.log" &
child=$!
told=0
trap 'told=1; kill -TERM $child' TERM INT
status=0
wait $child || status=$?
while kill -0 $child 2>/dev/null; do wait $child && status=0 || status=$?; done
echo "end $$ $status $told" >>"$WORK/hacks.log"
HACK
chmod 755 "$work/hack.sh"
cat >"$work/home/.xscreensaver" <<CONF
timeout:	0:30:00
cycle:		0:00:00
lock:		False
fade:		False
unfade:		False
dpmsEnabled:	False
splash:		False
grabDesktopImages:	False
mode:		one
selected:	0
verbose:	True
programs:	$work/hack.sh	\n
CONF

bench_xvfb 2000x700 "$work/display"
export DISPLAY="$display" HOME="$work/home" XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/run" SDL_AUDIODRIVER=disk WORK="$work" QUILLO="$quillo"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xrandr --setmonitor LEFT 1000/264x700/185+0+0 screen >/dev/null
xrandr --setmonitor RIGHT 1000/264x700/185+1000+0 none >/dev/null
xscreensaver -no-splash -verbose >"$work/xscreensaver.log" 2>&1 &
saver=$!
for _ in $(seq 100); do xscreensaver-command -version >/dev/null 2>&1 && break; sleep 0.1; done

# Seconds of sound (hundredths) in a disk driver's file.
heard() { echo $(( $( (tr -d '\000' <"$1" || true) 2>/dev/null | wc -c) / (4 * 441) )); }
count() { grep -c "^$1 " "$work/hacks.log" 2>/dev/null || true; }

passed=0 early=0 overlaps=0 silent=0
for blank in $(seq "$blanks"); do
    : >"$work/hacks.log"
    rm -f "$work"/audio.*.raw
    xscreensaver-command -activate >/dev/null
    for _ in $(seq 200); do [ "$(count start)" -ge 2 ] && break; sleep 0.1; done
    # Sound starts with the show; a start that ends early does so at once. Five seconds covers
    # both on a busy machine, and xscreensaver's restart of a hack that ended.
    sleep 5
    starts=$(count start)
    ends=$(count end)
    # Both monitors show the red picture (xscreensaver's windows are on top of everything).
    import -window root "$work/shot.png"
    drawn=0
    for x in 500 1500; do
        [ "$(convert "$work/shot.png" -format '%[pixel:p{'$x',350}]' info:)" = "srgb(255,0,0)" ] &&
            drawn=$((drawn + 1))
    done
    tracks=0 longest=0
    for f in "$work"/audio.*.raw; do
        [ -s "$f" ] || continue
        h=$(heard "$f")
        [ "$h" -gt 0 ] && tracks=$((tracks + 1))
        [ "$h" -gt "$longest" ] && longest=$h
    done
    xscreensaver-command -deactivate >/dev/null
    for _ in $(seq 100); do [ "$(count end)" -ge "$starts" ] && break; sleep 0.1; done
    told=$(grep -c '^end .* 1$' "$work/hacks.log" || true)
    verdict=pass
    [ "$starts" -eq 2 ] && [ "$ends" -eq 0 ] && [ "$drawn" -eq 2 ] ||
        { verdict=EARLY; early=$((early + 1)); }
    [ "$tracks" -le 1 ] || { verdict=OVERLAP; overlaps=$((overlaps + 1)); }
    [ "$tracks" -ge 1 ] || { verdict=SILENT; silent=$((silent + 1)); }
    [ "$verdict" = pass ] && passed=$((passed + 1))
    echo "blank $blank: $starts starts, $ends ended before the unblank, $told ended by it," \
        "$drawn monitors red," \
        "$tracks tracks (longest $longest hundredths): $verdict"
    grep '^end ' "$work/hacks.log" | grep -v ' 1$' | sed 's/^/  ended early: /' || true
    sleep 1
done
echo "xscreensaver, two monitors: $passed of $blanks blanks passed;" \
    "$early with a start missing, ended early or a monitor not red, $overlaps with two tracks, $silent silent"
grep -i 'crash\|exited\|abnormal' "$work/xscreensaver.log" | head -5 || true
