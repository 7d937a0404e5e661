#!/usr/bin/env bash
# The saver's fade (mode 11, Time 5000) on twelve 4000x3000 photos at 1920x1080, against feh's
# slideshow of the same files (feh --fullscreen --slideshow-delay 5), each on a private Xvfb for
# the same time. Prints one line per ratio: processor time per minute against feh's, and peak
# memory against one decoded photo; the same memory figure for the tiles (mode 4, Time 1000), and
# an idle saver's (no pictures) for what the program needs before any picture.
# Usage: bench/slideshow.sh QUILLO [SECONDS] [REPEATS]   (defaults 60 and 3; medians)
set -euo pipefail
quillo="$1"
seconds="${2:-60}"
repeats="${3:-3}"
root="$(cd "$(dirname "$0")/.." && pwd)"
photos="$root/build-bench/photos-4000x3000"

# The photos are made once: plasma with noise, so they have a photo's detail and decoding cost.
mkdir -p "$photos"
for n in $(seq 1 12); do
    [ -s "$photos/$n.jpg" ] && continue
    convert -seed "$n" -size 500x375 plasma:fractal -resize '4000x3000!' -attenuate 0.4 \
        +noise Gaussian -quality 90 "$photos/$n.tmp.jpg"
    mv "$photos/$n.tmp.jpg" "$photos/$n.jpg"
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Quillo"
# The settings file for a display mode and tick time; without pictures when mode is 0.
settings() {
    {
        printf '[Options]\nSound=0\nColor=1\nTime=%s\nPicdis=%s\n[JpegConfig]\n' "$2" "$1"
        for n in $(seq 1 1000); do
            if [ "$n" -le 12 ] && [ "$1" != 0 ]; then
                echo "Name$n=$photos/$n.jpg"
            else
                echo "Name$n=Null"
            fi
        done
    } >"$work/Quillo/quillo51.ini"
}

# Runs a program for the time given on a fresh 1920x1080 Xvfb, ends it with SIGTERM and prints
# "<processor seconds> <peak resident KiB>" from its own accounting (children included).
measure() {
    local number xvfb display
    number="$work/display"
    : >"$number"
    Xvfb -displayfd 3 -noreset -screen 0 1920x1080x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
    display=":$(head -n 1 "$number")"
    DISPLAY="$display" XDG_CONFIG_HOME="$work" python3 - "$seconds" "$@" <<'PY'
import os, signal, subprocess, sys, time
seconds = float(sys.argv[1])
child = subprocess.Popen(sys.argv[2:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
time.sleep(seconds)
child.send_signal(signal.SIGTERM)
_, _, usage = os.wait4(child.pid, 0)
print(f"{usage.ru_utime + usage.ru_stime:.3f} {usage.ru_maxrss}")
PY
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
}

ours=()
theirs=()
for _ in $(seq "$repeats"); do
    settings 11 5000
    ours+=("$(measure "$quillo" /S)")
    if command -v feh >/dev/null; then
        theirs+=("$(measure feh --fullscreen --slideshow-delay 5 "$photos"/*.jpg)")
    fi
done

settings 4 1000
tiles="$(measure "$quillo" /S)"
settings 0 5000
idle="$(measure "$quillo" /S)"

python3 - "$seconds" "$tiles" "$idle" "${#ours[@]}" "${ours[@]}" "${theirs[@]}" <<'PY'
import statistics, sys
seconds = float(sys.argv[1])
tiles, idle = (tuple(map(float, r.split())) for r in sys.argv[2:4])
n = int(sys.argv[4])
rows = [tuple(map(float, r.split())) for r in sys.argv[5:]]
ours, theirs = rows[:n], rows[n:]
decoded_kib = 4000 * 3000 * 3 / 1024
cpu = statistics.median(r[0] for r in ours) * 60 / seconds
rss = statistics.median(r[1] for r in ours)
if theirs:
    feh_cpu = statistics.median(r[0] for r in theirs) * 60 / seconds
    feh_rss = statistics.median(r[1] for r in theirs)
    print(f"fade slideshow processor time per minute / feh's: {cpu / feh_cpu:.2f}  "
          f"({cpu:.2f} s / {feh_cpu:.2f} s) (goal <= 1.5)")
    print(f"feh peak memory / one decoded photo: {feh_rss / decoded_kib:.2f}  "
          f"({feh_rss / 1024:.0f} MiB)")
else:
    print("fade slideshow processor time per minute / feh's: skipped (feh not installed)")
print(f"fade slideshow peak memory / one decoded photo: {rss / decoded_kib:.2f}  "
      f"({rss / 1024:.0f} MiB / {decoded_kib / 1024:.1f} MiB) (goal <= 2.5)")
print(f"tiles (mode 4) peak memory / one decoded photo: {tiles[1] / decoded_kib:.2f}  "
      f"({tiles[1] / 1024:.0f} MiB) (goal <= 2)")
print(f"idle saver (no pictures) peak memory / one decoded photo: {idle[1] / decoded_kib:.2f}  "
      f"({idle[1] / 1024:.0f} MiB)")
PY
