#!/usr/bin/env bash
# Builds the benchmarks, runs them with JSON output and prints one line per ratio. Each ratio
# compares two measurements of the same run (medians of three repetitions). Extra arguments go
# to every benchmark program (for example --benchmark_filter=Blend). Then the fade's slideshow
# against feh's (bench/slideshow.sh; SLIDESHOW_SECONDS and SLIDESHOW_REPEATS shorten it, and
# SLIDESHOW_SECONDS=0 leaves it out). Last, the longest time from a key to the saver's end while
# it loads files that claim more than they hold (bench/key_during_load.sh; KEY_DURING_LOAD=0
# leaves it out), and the time from /S to the covering window with the settings lock held
# (bench/cover_time.sh), and the idle saver's peak memory above a full-screen Qt window with
# SDL2_mixer (bench/idle_memory.sh). The screens' benchmark runs on an Xvfb with two RandR
# monitors. Then the frames against their floors and against other programs, each on a private
# Xvfb (bench/frames.py): a fade frame against a plain X client's blend and put, the fade's and
# the slide's processor time against feh's, the tick to the screen on two screens against djpeg,
# and the pan and zoom against the GL slideshow. FRAMES_SECONDS sets each run's length (0 leaves
# them out), FRAMES_REPEATS the runs of each (3), FRAMES_PARTS the parts (all four by default).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-bench"

cmake -S "$root" -B "$build" -G Ninja -DQUILLO_BENCH=ON >/dev/null
programs=()
for source in "$root"/bench/bench_*.cpp; do
    programs+=("$(basename "$source" .cpp)")
done
ninja -C "$build" -j2 "${programs[@]}" quillo fade_floor quillo_idle_window >/dev/null

results=()
for program in "${programs[@]}"; do
    out="$build/$program.json"
    run=("$build/bench/$program" --benchmark_format=json --benchmark_out="$out"
         --benchmark_out_format=json "$@")
    if [ "$program" = bench_present ] || [ "$program" = bench_effects ] ||
        [ "$program" = bench_screens ]; then
        # The Qt host presents to a real X server: a private 4K Xvfb, or for the screens two
        # 1920x1080 RandR monitors side by side.
        size=3840x2160
        [ "$program" = bench_screens ] && size=3840x1080
        number=$(mktemp)
        Xvfb -displayfd 3 -noreset -screen 0 "${size}x24" -nolisten tcp 3>"$number" \
            >/dev/null 2>&1 &
        xvfb=$!
        for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
        display=":$(head -n 1 "$number")"
        if [ "$program" = bench_screens ]; then
            DISPLAY="$display" xrandr --setmonitor LEFT 1920/508x1080/286+0+0 screen >/dev/null
            DISPLAY="$display" xrandr --setmonitor RIGHT 1920/508x1080/286+1920+0 none >/dev/null
        fi
        DISPLAY="$display" QUILLO_BENCH_XSERVER_PID="$xvfb" \
            QUILLO_BENCH_PHOTOS="$build/photos-4000x3000" "${run[@]}" >/dev/null || true
        kill "$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
        rm -f "$number"
    else
        "${run[@]}" >/dev/null || true
    fi
    [ -s "$out" ] && results+=("$out")
done

python3 - "${results[@]}" <<'PY'
import json
import sys

median = {}
skipped = {}
for path in sys.argv[1:]:
    with open(path) as f:
        data = json.load(f)
    for b in data.get("benchmarks", []):
        # "BM_Tick/3/iterations:5/repeats:3/real_time" is "BM_Tick/3": the arguments stay.
        parts = b["run_name"].split("/")
        name = "/".join(p for p in parts if ":" not in p and not p.endswith("_time"))
        if b.get("error_occurred"):
            skipped[name] = b.get("error_message", "error")
        elif b.get("run_type") == "aggregate" and b.get("aggregate_name") == "median":
            median[name] = b
        elif b.get("run_type") == "iteration" and b.get("repetitions", 1) <= 1:
            median.setdefault(name, b)  # a single run stands for itself


def ms(b, key):
    # Times are reported in the benchmark's unit; counters (child_cpu) are already in ms.
    factor = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
    return b[key] * factor


def line(label, ours, base, goal=None, ours_key="real_time", base_key="real_time", op="<="):
    if ours not in median or base not in median:
        why = skipped.get(ours) or skipped.get(base) or "not run"
        print(f"{label}: skipped ({why})")
        return
    a = ms(median[ours], ours_key)
    b = median[base][base_key] if base_key == "child_cpu" else ms(median[base], base_key)
    text = f"{label}: {a / b:.2f}  ({a:.2f} ms / {b:.2f} ms)"
    if goal is not None:
        text += f" (goal {op} {goal})"
    print(text)


for size in ("4K", "6000x4000"):
    ours = f"BM_JpegLoadConvert_{size}"
    line(f"jpeg {size} load+convert / djpeg", ours, f"BM_Djpeg_{size}", 1.05)
    line(f"jpeg {size} load+convert / djpeg, processor time", ours, f"BM_Djpeg_{size}", 1.05,
         ours_key="cpu_time", base_key="child_cpu")
    line(f"jpeg {size} load+convert / libjpeg in-process", ours, f"BM_LibjpegInProcess_{size}")
line("jpeg 6000x4000 load+convert, stored turned / stored upright",
     "BM_JpegLoadConvertTurned_6000x4000", "BM_JpegLoadConvert_6000x4000")
line("libjpeg 6000x4000 into a whole picture / into one row", "BM_LibjpegWholeImage_6000x4000",
     "BM_LibjpegInProcess_6000x4000")
line("bmp 4K load+convert / 4K copy", "BM_BmpLoadConvert_4K", "BM_Copy_4K")
line("blend 4K / copy", "BM_Blend_4K", "BM_Copy_4K", 1.3)
line("blend 640x480 / copy, in the caches", "BM_Blend_VGA", "BM_Copy_VGA")
for fade, what in ((0, "frame"), (1, "cross-fade frame")):
    line(f"pan and zoom {what} 1920x1080 / writing its bytes", f"BM_PanZoomFrame/1920/1080/{fade}",
         "BM_PanZoomFrameFloor/1920/1080")
    line(f"pan and zoom {what} 3840x2160 / 1920x1080", f"BM_PanZoomFrame/3840/2160/{fade}",
         f"BM_PanZoomFrame/1920/1080/{fade}")
line("present 4K full screen (Qt, Xvfb) / XShmPutImage + XSync of the frame",
     "BM_PresentFullScreen", "BM_XShmPutImage", 1.15)
if "BM_PresentFullScreen" in median and "BM_XShmPutImage" in median:
    # The client's processor time (every thread) and the X server's, per present.
    ours, floor = (ms(median[n], "cpu_time") + median[n].get("server_cpu", 0)
                   for n in ("BM_PresentFullScreen", "BM_XShmPutImage"))
    print(f"present 4K full screen (Qt, Xvfb) / XShmPutImage + XSync, processor time with the X "
          f"server's: {ours / floor:.2f}  ({ours:.2f} ms / {floor:.2f} ms) (goal <= 1.15)")
line("present 4K full screen (Qt, Xvfb) / copy of its bytes", "BM_PresentFullScreen",
     "BM_CopyFrameBytes")
for mode in range(1, 7):
    line(f"tick of mode {mode}, 1920x1080, 6000x4000 JPEG / djpeg", f"BM_Tick/{mode}", "BM_Djpeg",
         1.25)
line("tick to the photo on the screen, three 24-megapixel photos decoded ahead / their djpeg",
     "BM_TickThreePhotos/1", "BM_DjpegThreePhotos", 0.2)
line("the same decoded at the tick / their djpeg", "BM_TickThreePhotos/0",
     "BM_DjpegThreePhotos")
for name, label in (("BM_EndDuringProgressiveJpeg", "a 6000x4000 progressive JPEG"),
                    ("BM_EndDuringBitmap", "a 6000x4000 bitmap"),
                    ("BM_EndDuringBitmapFit", "a 6000x4000 bitmap shrunk to fit")):
    runs = [b for n, b in median.items() if n.startswith(name + "/")]
    if not runs:
        print(f"saver's end to the worker letting go, decoding {label}: skipped (not run)")
        continue
    worst = max(b["max_ms"] for b in runs)
    mean = max(ms(b, "real_time") for b in runs)
    print(f"saver's end to the worker letting go, decoding {label}: worst {worst:.1f} ms, "
          f"slowest mean {mean:.1f} ms (goal <= 50)")
b = median.get("BM_FirstPhoto")
if b is not None:
    print(f"first 24-megapixel photo on the screen after the start: {ms(b, 'real_time'):.0f} ms "
          "(goal <= 1100)")
for name in ("ClaimedProgressiveJpeg", "ClaimedRleBitmap", "Real16384Jpeg", "Photo6000x4000",
             "ClaimedBaselineJpeg", "ClaimedBaselineJpegTurned"):
    b = median.get(f"BM_Load{name}")
    if b is None:
        print(f"load of {name}: skipped ({skipped.get(f'BM_Load{name}', 'not run')})")
        continue
    floor = median.get("BM_LoadNothing", {}).get("peak_mb", float("nan"))
    print(f"load of {name}: peak memory {b['peak_mb']:.0f} MB (goal < 400; a child loading "
          f"nothing: {floor:.0f} MB), {ms(b, 'real_time'):.0f} ms")
# A turned photo costs what the same photo costs upright.
for name, label in (("LoadClaimedBaselineJpeg", "load of a baseline JPEG claiming 16384 x 16384"),
                    ("FadeTwo64MpPhotos", "fade taking two 64-megapixel photos")):
    upright, turned = median.get(f"BM_{name}"), median.get(f"BM_{name}Turned")
    if upright is None or turned is None:
        print(f"{label}, turned / upright: skipped (not run)")
        continue
    print(f"{label}, turned / upright, peak memory: {turned['peak_mb'] / upright['peak_mb']:.2f}  "
          f"({turned['peak_mb']:.0f} MB / {upright['peak_mb']:.0f} MB) (goal <= 1.05)")
line("load of the real 16384 x 16384 JPEG / djpeg -scale 1/2", "BM_LoadReal16384Jpeg",
     "BM_DjpegReal16384Half")
line("repaint of a stretched full-screen picture / copy of the frame", "BM_RepaintStretched",
     "BM_CopyFrame", 2)
line("fade 1920x1080 / 101 x 40 ms of sleep", "BM_Fade_1920x1080", "BM_Sleep_101x40ms", 1.05)
line("fade 3840x2160 / 101 x 40 ms of sleep", "BM_Fade_3840x2160", "BM_Sleep_101x40ms", 1.10)
line("roll-down 1920x1080 / 1080 x 10 ms of sleep", "BM_RollDown_1920x1080", "BM_Sleep_1080x10ms",
     1.10)
# Same number of presents on both sides, so the time ratio is steps/s over presents/s.
line("slide 1920x1080 steps/s / presents/s of the same rectangles", "BM_SlidePresentsOnly",
     "BM_Slide_1920x1080", 1.0, op=">=")
line("BlendFrames 4K / read two frames, write one", "BM_BlendFrames_4K", "BM_ReadTwoWriteOne_4K",
     1.1)
line("open dialog, 1000+1000 slots / 2000 key reads", "BM_OpenDialogFullLists",
     "BM_Baseline2000KeyReads")
for kind in ("Wav", "Mp3"):
    line(f"sound step to first samples written, {kind} / reading its bytes",
         f"BM_SoundTickToSamples_{kind}", f"BM_ReadFile_{kind}")
line("add entire folder, 1000 pictures / writing the same file once", "BM_AddEntireFolder1000",
     "BM_WriteSameFileOnce", 1.2)
line("add entire folder to the settings file alone / writing the same file once",
     "BM_FolderAddToFile1000", "BM_WriteFolderFileOnce", 1.2)
line("saver start, 1000+1000 slots / reading the file and 2000 stats", "BM_SaverStart_1000x1000",
     "BM_ReadFileAndStat2000")
line("key index of the saver's start: standard hash map / hand-written table",
     "BM_KeyIndexStd_1000x1000", "BM_KeyIndexHandWritten_1000x1000")
if all(k in median for k in ("BM_SaverStart_1000x1000", "BM_KeyIndexStd_1000x1000",
                             "BM_KeyIndexHandWritten_1000x1000")):
    start = ms(median["BM_SaverStart_1000x1000"], "real_time")
    std_index = ms(median["BM_KeyIndexStd_1000x1000"], "real_time")
    hand_index = ms(median["BM_KeyIndexHandWritten_1000x1000"], "real_time")
    print(f"saver start, 1000+1000 slots: {start:.2f} ms with the standard hash map, "
          f"{start - std_index + hand_index:.2f} ms with the hand-written table in its place: "
          f"{start / (start - std_index + hand_index):.2f} x (the table would need 1.5 x)")
for size in (16, 60):
    for kind, name in ((0, "text"), (1, "keys")):
        run = f"BM_SaverReadsShortLines/{size}/{kind}"
        if run in median:
            b = median[run]
            print(f"settings file of {size} MiB of short {name} lines: peak {b['peak_MiB']:.0f} MiB "
                  f"({b['peak_per_file_size']:.1f} x its size), {ms(b, 'real_time'):.0f} ms")
# A show on each of two 1920x1080 screens against a show on one, fading over the same photos
# (medians of the fades).
b = median.get("BM_FadeScreens")
if b is None:
    print(f"fade on two 1920x1080 screens / on one: skipped "
          f"({skipped.get('BM_FadeScreens', 'not run')})")
else:
    print(f"fade on two 1920x1080 screens / on one, processor time per fade: "
          f"{b['two_cpu_ms'] / b['one_cpu_ms']:.2f}  ({b['two_cpu_ms']:.0f} ms / "
          f"{b['one_cpu_ms']:.0f} ms) (goal <= 2.1)")
    if b["one_server_cpu_ms"] > 0:
        print(f"the same, the X server's processor time: "
              f"{b['two_server_cpu_ms'] / b['one_server_cpu_ms']:.2f}  "
              f"({b['two_server_cpu_ms']:.0f} ms / {b['one_server_cpu_ms']:.0f} ms)")
    for label, name, count in (("two screens", "two_", 2), ("one screen", "one_", 1)):
        each = ", ".join(f"screen {k}: {b[f'{name}fade_s_{k}'] / 4.04:.2f} "
                         f"({b[f'{name}fade_s_{k}']:.2f} s, at least "
                         f"{b[f'{name}presents_{k}']:.0f} presents)" for k in range(1, count + 1))
        print(f"fade on {label} / 4.04 s: {each} (goal <= 1.10)")
peaks = [median.get(f"BM_PeakMemoryScreens/{n}") for n in range(3)]
if None in peaks:
    print("peak memory, two 1920x1080 screens / one: skipped (not run)")
else:
    floor, one, two = (b["peak_mb"] for b in peaks)
    print(f"peak memory of the fade over twelve 4000x3000 photos, two 1920x1080 screens / one: "
          f"{two / one:.2f}  ({two:.0f} MB / {one:.0f} MB; a child doing nothing: {floor:.0f} MB)"
          " (goal <= 2)")
line("tick of mode 2 with Fit, 1920x1080, 6000x4000 JPEG / djpeg of the full picture",
     "BM_TickFit", "BM_Djpeg", 0.5)
line("shrink 6000x4000 to 1620x1080 / djpeg of the full picture", "BM_ShrinkVsImageMagick",
     "BM_Djpeg")
if "BM_ShrinkVsImageMagick" in median:
    mad = median["BM_ShrinkVsImageMagick"]["mad"]
    print(f"shrink vs ImageMagick -filter box -resize: {mad:.3f} levels mean absolute difference"
          " (goal <= 2)")
PY

seconds="${SLIDESHOW_SECONDS:-60}"
if [ "$seconds" != 0 ]; then
    # A failed part is reported, and the parts after it still run.
    "$root/bench/slideshow.sh" "$build/app/quillo" "$seconds" "${SLIDESHOW_REPEATS:-3}" ||
        echo "slideshow: failed (exit $?)"
fi

if [ "${KEY_DURING_LOAD:-1}" != 0 ]; then
    "$root/bench/key_during_load.sh" "$build/app/quillo" || echo "key during load: failed (exit $?)"
fi

"$root/bench/cover_time.sh" "$build/app/quillo" || echo "cover time: failed (exit $?)"

# Prints its line on standard error, the figures for scripts on standard output.
"$root/bench/idle_memory.sh" "$build/app/quillo" "$build/quillo_idle_window" 2>&1 >/dev/null |
    sed 's/$/ (goal <= 10)/' || echo "idle memory: failed (exit $?)"

if [ "${FRAMES_SECONDS:-}" != 0 ]; then
    for part in ${FRAMES_PARTS:-fade-frame versus-feh tick-to-screen pan-zoom}; do
        python3 "$root/bench/frames.py" "$build/app/quillo" "$part" "${FRAMES_SECONDS:-}" \
            "${FRAMES_REPEATS:-3}" || echo "frames, $part: failed (exit $?)"
    done
fi
