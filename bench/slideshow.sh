#!/usr/bin/env bash
# The saver's fade (mode 11, Time 5000) on twelve 4000x3000 photos at 1920x1080, against feh's
# slideshow of the same files (feh --fullscreen --slideshow-delay 5), each on a private Xvfb for
# the same time. Prints one line per ratio: processor time per minute against feh's, and peak
# memory against one decoded photo; the same memory figure for the tiles (mode 4, Time 1000), and
# an idle saver's (no pictures) for what the program needs before any picture. Last, the fade with
# a show on each of two 1920x1080 monitors side by side (AllScreens) against the fade on one.
# Usage: bench/slideshow.sh QUILLO [SECONDS] [REPEATS]   (defaults 60 and 3; medians)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
quillo="$1"
seconds="${2:-60}"
repeats="${3:-3}"
# The photos are made once: plasma with noise, so they have a photo's detail and decoding cost.
photos="$(bench_store photos-4000x3000)"
for n in $(seq 1 12); do
    [ -s "$photos/$n.jpg" ] && continue
    convert -seed "$n" -size 500x375 plasma:fractal -resize '4000x3000!' -attenuate 0.4 \
        +noise Gaussian -quality 90 "$photos/$n.tmp.jpg"
    mv "$photos/$n.tmp.jpg" "$photos/$n.jpg"
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Quillo"
# The settings file for a display mode and tick time, and any further options (Key=value);
# without pictures when mode is 0.
settings() {
    {
        printf '[Options]\nSound=0\nColor=1\nTime=%s\nPicdis=%s\n' "$2" "$1"
        for option in "${@:3}"; do echo "$option"; done
        if [ "$1" = 0 ]; then slots JpegConfig; else slots JpegConfig "$photos"/{1..12}.jpg; fi
    } >"$work/Quillo/quillo51.ini"
}

# Runs a program for the time given on a fresh 1920x1080 Xvfb (with monitors=2, two such RandR
# monitors side by side on a 3840x1080 one), ends it with SIGTERM and prints
# "<processor seconds> <peak resident KiB> <seconds it ran>" from its own accounting (children
# included). A program that ends by itself before the time is a short run: its line says how long
# it ran, and what it said on standard error (the saver says why it ends) is in $work/stderr.
measure() {
    local xvfb display
    bench_xvfb "$((1920 * ${monitors:-1}))x1080" "$work/display"
    if [ "${monitors:-1}" = 2 ]; then
        DISPLAY="$display" xrandr --setmonitor LEFT 1920/508x1080/286+0+0 screen >/dev/null
        DISPLAY="$display" xrandr --setmonitor RIGHT 1920/508x1080/286+1920+0 none >/dev/null
    fi
    DISPLAY="$display" XDG_CONFIG_HOME="$work" QUILLO_TRACE_END=1 python3 - "$seconds" "$@" \
        2>>"$work/stderr" <<'PY'
import os, signal, subprocess, sys, time
seconds = float(sys.argv[1])
start = time.monotonic()
child = subprocess.Popen(sys.argv[2:], stdout=subprocess.DEVNULL, stderr=sys.stderr)
while True:
    # Reaped here, not by Popen, so that the usage of a child that ended early is ours to read.
    pid, status, usage = os.wait4(child.pid, os.WNOHANG)
    if pid:
        print(f"quillo: ended by itself after {time.monotonic() - start:.1f} s, status {status}",
              file=sys.stderr)
        break
    left = seconds - (time.monotonic() - start)
    if left <= 0:
        os.kill(child.pid, signal.SIGTERM)
        _, _, usage = os.wait4(child.pid, 0)
        break
    time.sleep(min(left, 0.2))
print(f"{usage.ru_utime + usage.ru_stime:.3f} {usage.ru_maxrss} {time.monotonic() - start:.1f}")
PY
    stop_xvfb
}

ours=()
theirs=()
twos=()
for _ in $(seq "$repeats"); do
    settings 11 5000
    ours+=("$(measure "$quillo" /S)")
    settings 11 5000 AllScreens=1
    twos+=("$(monitors=2 measure "$quillo" /S)")
    if command -v feh >/dev/null; then
        theirs+=("$(measure feh --fullscreen --slideshow-delay 5 "$photos"/*.jpg)")
    fi
done

settings 4 1000
tiles="$(measure "$quillo" /S)"
settings 0 5000
idle="$(measure "$quillo" /S)"

python3 - "$seconds" "$work/stderr" "$tiles" "$idle" "${#ours[@]}" "${ours[@]}" "${twos[@]}" \
    "${theirs[@]}" <<'PY'
import statistics, sys
seconds = float(sys.argv[1])
stderr = sys.argv[2]
tiles, idle = (tuple(map(float, r.split())) for r in sys.argv[3:5])
n = int(sys.argv[5])
rows = [tuple(map(float, r.split())) for r in sys.argv[6:]]
ours, twos, theirs = rows[:n], rows[n:2 * n], rows[2 * n:]
short = [r for r in ours + twos + [tiles, idle] if r[2] < seconds - 1]
if short:
    with open(stderr) as f:
        said = " / ".join(line.strip() for line in f if line.startswith("quillo:"))
    print(f"short runs: {len(short)} of {2 * len(ours) + 2} saver runs ended by themselves "
          f"(after {', '.join(f'{r[2]:.0f} s' for r in short)}): {said}")
decoded_kib = 4000 * 3000 * 3 / 1024


def per_minute(rows):
    # Processor time per minute of the time each run really ran.
    return statistics.median(r[0] * 60 / r[2] for r in rows)


def peak(rows):
    return statistics.median(r[1] for r in rows)


cpu, rss = per_minute(ours), peak(ours)
if theirs:
    feh_cpu, feh_rss = per_minute(theirs), peak(theirs)
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
# Both runs fade at the same pace for the same time, so per minute is per fade.
two_cpu, two_rss = per_minute(twos), peak(twos)
print(f"fade slideshow on two 1920x1080 screens / on one, processor time per minute: "
      f"{two_cpu / cpu:.2f}  ({two_cpu:.2f} s / {cpu:.2f} s) (goal <= 2.1)")
print(f"fade slideshow on two 1920x1080 screens / on one, peak memory: {two_rss / rss:.2f}  "
      f"({two_rss / 1024:.0f} MiB / {rss / 1024:.0f} MiB) (goal <= 2)")
PY
