#!/usr/bin/env bash
# The longest time from a key to the saver's end while it loads a file that claims more than it
# holds, and the process's peak memory. The saver shows one picture at natural size (mode 2) and
# in the tiles (mode 4), Time 1000, so it loads that picture again at every tick; a key is sent
# at nine offsets after the window appears (0 to 1 s), one run each, on a fresh 1920x1080 Xvfb. Files: a 3 KB progressive
# JPEG whose header claims 16384 x 16384, a 1 KB run-length bitmap of that size, a real
# 16384 x 16384 JPEG and, for scale, a 6000 x 4000 photo.
# Usage: bench/key_during_load.sh QUILLO
set -euo pipefail
source "$(dirname "$0")/lib.sh"
quillo="$1"
files="$(bench_store hostile)"

python3 - "$files" <<'PY'
import os, struct, subprocess, sys
d = sys.argv[1]
def once(name, make):
    path = os.path.join(d, name)
    if not os.path.exists(path):
        make(path + ".tmp")
        os.rename(path + ".tmp", path)
# A small progressive JPEG with its frame header patched to claim 16384 x 16384.
def claimed(path):
    small = subprocess.run("convert -size 64x64 plasma: ppm:- | cjpeg -progressive -quality 50",
                           shell=True, check=True, capture_output=True).stdout
    i = small.index(b"\xff\xc2")
    data = bytearray(small)
    data[i + 5:i + 9] = struct.pack(">HH", 16384, 16384)
    open(path, "wb").write(data)
# Run-length bitmap: a palette and an end-of-bitmap code, nothing else.
def rle(path):
    head = b"BM" + struct.pack("<IHHI", 14 + 40 + 1024 + 2, 0, 0, 14 + 40 + 1024)
    info = struct.pack("<IiiHHIIiiII", 40, 16384, 16384, 1, 8, 1, 2, 0, 0, 256, 0)
    open(path, "wb").write(head + info + bytes(1024) + b"\x00\x01")
# Real pixels, streamed row by row into cjpeg: gradients with a little structure.
def real(path, w, h):
    with open(path, "wb") as out:
        p = subprocess.Popen(["cjpeg", "-quality", "85"], stdin=subprocess.PIPE, stdout=out)
        p.stdin.write(b"P6\n%d %d\n255\n" % (w, h))
        base = bytes((x * 255 // w) & 0xFF for x in range(w))
        for y in range(h):
            g = (y * 255 // h) & 0xFF
            row = bytearray(w * 3)
            row[0::3] = base
            row[1::3] = bytes([g]) * w
            row[2::3] = bytes(((x ^ y) & 0xFF) for x in range(0, w)) if y % 64 == 0 else base[::-1]
            p.stdin.write(row)
        p.stdin.close()
        if p.wait() != 0:
            sys.exit("cjpeg failed")
once("claimed-progressive.jpg", claimed)
once("rle-16384.bmp", rle)
once("real-16384.jpg", lambda p: real(p, 16384, 16384))
once("photo-6000x4000.jpg", lambda p: real(p, 6000, 4000))
PY

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Quillo"

for run in {2,4}:{claimed-progressive.jpg,rle-16384.bmp,real-16384.jpg,photo-6000x4000.jpg}; do
    mode=${run%%:*} file=${run#*:}
    {
        printf '[Options]\nSound=0\nColor=1\nTime=1000\nPicdis=%s\n' "$mode"
        slots JpegConfig "$files/$file"
    } >"$work/Quillo/quillo51.ini"
    bench_xvfb 1920x1080 "$work/display"
    DISPLAY="$display" XDG_CONFIG_HOME="$work" python3 - "mode $mode, $file" "$quillo" <<'PY'
import os, subprocess, sys, time
name, quillo = sys.argv[1], sys.argv[2]
worst, peak = 0.0, 0
for step in range(9):
    child = subprocess.Popen([quillo, "/S"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(child.pid)],
                               capture_output=True).stdout.strip()
        if found:
            break
        time.sleep(0.02)
    time.sleep(step * 0.125)
    sent = time.monotonic()
    subprocess.run(["xdotool", "key", "space"])
    while True:
        pid, status, usage = os.wait4(child.pid, os.WNOHANG)
        if pid:
            break
        if time.monotonic() - sent > 20:
            child.kill()
            _, status, usage = os.wait4(child.pid, 0)
            break
        time.sleep(0.005)
    worst = max(worst, time.monotonic() - sent)
    peak = max(peak, usage.ru_maxrss)
print(f"{name}: longest key to end {worst * 1000:.0f} ms, peak memory {peak / 1024:.0f} MB")
PY
    stop_xvfb
done
