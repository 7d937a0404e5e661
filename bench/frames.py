#!/usr/bin/env python3
"""The saver's frames against their floors and against other programs, each on a private Xvfb.

Every figure is a ratio of two measurements taken in turn in the same run (medians of the
repeats). Processor time counts every thread of the program (its own accounting, read when it
ends) plus the X server's (utime + stime from /proc/PID/stat over the program's run). The
saver writes a timestamp trace (QUILLO_TRACE): "tick-due <show> <ns>" and
"present <window> <ns> <w>x<h>" on the monotonic clock.

Usage: bench/frames.py QUILLO PART [SECONDS] [REPEATS]
  SECONDS is each run's length (empty or left out: 20, and 30 against feh and for pan and
  zoom);
  REPEATS how many runs of each are taken in turn (3); the figures are their medians.
  fade-frame     a 1920x1080 fade frame of the saver (mode 11): its interface thread's and the X
                 server's processor time per screen's pixels presented, against the same of a
                 plain X client (fade_floor: blend of two frames, XShmPutImage, XSync) paced
                 40 ms apart as the fade is, and back to back
  versus-feh     processor time per minute of the fade (mode 11) and of the slide (mode 7),
                 Time=3000, on twelve 4000x3000 photos at 1920x1080, against
                 feh --fullscreen --slideshow-delay 3 --auto-zoom on the same photos
  tick-to-screen AllScreens on two 1920x1080 RandR monitors, mode 1, three 6000x4000 photos,
                 Time=3000: from each tick's due time to the photo presented, per screen, against
                 djpeg -dct int of the same photos
  pan-zoom       mode 12 (when the saver has it: QUILLO_BENCH_PAN_ZOOM=1 or 0 overrides the
                 guess) against the GL slideshow at 1920x1080 and 30 frames a second, in turn on
                 one Xvfb; the 95th percentile of its frame intervals; its frame cost at
                 3840x2160 against 1920x1080
"""
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build-bench")
TICKS = os.sysconf("SC_CLK_TCK")

# The GL slideshow set to move as mode 12 does: a new photo every 3 s (Time=3000) with a 1 s
# cross-fade inside it, zoomed up to 125% (80% of the photo always visible), cropped to cover the
# screen, a frame every 33.3 ms, never falling back to still pictures. LP_NUM_THREADS fixes
# Mesa's software rasteriser to two threads, this machine's processor count and its default here.
GLSLIDESHOW = ["/usr/libexec/xscreensaver/glslideshow", "--root", "--duration", "3", "--pan",
               "3", "--fade", "1", "--zoom", "80", "--clip", "--delay", "33333", "--cutoff", "0"]
LP_NUM_THREADS = "2"


def photos(size, count):
    """count photo-like JPEGs of size WxH, made once (plasma with noise: a photo's detail)."""
    folder = os.path.join(BUILD, f"photos-{size}")
    os.makedirs(folder, exist_ok=True)
    w, h = map(int, size.split("x"))
    paths = []
    for n in range(1, count + 1):
        path = os.path.join(folder, f"{n}.jpg")
        if not os.path.exists(path) or not os.path.getsize(path):
            subprocess.run(["convert", "-seed", str(n), "-size", f"{w // 8}x{h // 8}",
                            "plasma:fractal", "-resize", f"{w}x{h}!", "-attenuate", "0.4",
                            "+noise", "Gaussian", "-quality", "90", path + ".tmp.jpg"], check=True)
            os.replace(path + ".tmp.jpg", path)
        paths.append(path)
    return paths


def write_settings(home, mode, time_ms, pictures, *options):
    os.makedirs(os.path.join(home, "Quillo"), exist_ok=True)
    with open(os.path.join(home, "Quillo", "quillo51.ini"), "w") as f:
        f.write(f"[Options]\nSound=0\nColor=1\nTime={time_ms}\nPicdis={mode}\n")
        for option in options:
            f.write(option + "\n")
        f.write("[JpegConfig]\n")
        for n in range(1, 1001):
            f.write(f"Name{n}={pictures[n - 1] if n <= len(pictures) else 'Null'}\n")


def stat_cpu_s(pid):
    """utime + stime of a whole process, every thread's, in seconds."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def threads_cpu_ns(pid):
    """Processor time of each live thread, in ns, from its schedstat."""
    total = {}
    try:
        for tid in os.listdir(f"/proc/{pid}/task"):
            try:
                with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                    total[int(tid)] = int(f.read().split()[0])
            except OSError:
                pass
    except OSError:
        pass
    return total


class Xvfb:
    """A private X server of the given size; with monitors=2, two 1920-wide RandR monitors."""

    def __init__(self, size, monitors=1):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-noreset", "-screen", "0", f"{size}x24",
             "-nolisten", "tcp"], pass_fds=(write,), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            self.display = ":" + f.readline().strip()
        self.pid = self.process.pid
        if monitors == 2:
            env = dict(os.environ, DISPLAY=self.display)
            subprocess.run(["xrandr", "--setmonitor", "LEFT", "1920/508x1080/286+0+0", "screen"],
                           env=env, check=True, stdout=subprocess.DEVNULL)
            subprocess.run(["xrandr", "--setmonitor", "RIGHT", "1920/508x1080/286+1920+0",
                            "none"], env=env, check=True, stdout=subprocess.DEVNULL)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait()


def run(xvfb, argv, seconds, env=None, sample=None):
    """Runs argv on the X server for the time given, ends it with SIGTERM and returns a dict:
    cpu (its own processor seconds, every thread), server (the X server's over its run),
    wall (seconds it ran), samples ([(monotonic ns, main thread ns, X server ns)] every `sample`
    seconds when asked)."""
    env = dict(os.environ, **(env or {}), DISPLAY=xvfb.display)
    server_start = stat_cpu_s(xvfb.pid)
    start = time.monotonic()
    child = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    samples = []
    ended_early = False
    while True:
        # Reaped here, not by Popen, so that the usage of a child that ended early is ours.
        pid, _, usage = os.wait4(child.pid, os.WNOHANG)
        if pid:
            ended_early = True
            break
        left = seconds - (time.monotonic() - start)
        if left <= 0:
            os.kill(child.pid, signal.SIGTERM)
            _, _, usage = os.wait4(child.pid, 0)
            break
        if sample:
            mine = threads_cpu_ns(child.pid).get(child.pid, 0)
            server = sum(threads_cpu_ns(xvfb.pid).values())
            samples.append((time.monotonic_ns(), mine, server))
            time.sleep(min(left, sample))
        else:
            time.sleep(min(left, 0.2))
    child.returncode = 0  # reaped above
    wall = time.monotonic() - start
    if ended_early:
        print(f"  ({os.path.basename(argv[0])} ended by itself after {wall:.1f} s)")
    return {"cpu": usage.ru_utime + usage.ru_stime, "server": stat_cpu_s(xvfb.pid) - server_start,
            "wall": wall, "samples": samples}


def read_trace(path):
    ticks, presents = [], []
    with open(path) as f:
        for line in f:
            parts = line.split()
            if parts[:1] == ["tick-due"] and len(parts) == 3:
                ticks.append((int(parts[1]), int(parts[2])))
            elif parts[:1] == ["present"] and len(parts) == 4:
                w, h = map(int, parts[3].split("x"))
                presents.append((int(parts[1]), int(parts[2]), w * h))
    return ticks, presents


def per_minute(r):
    return r["cpu"] * 60 / r["wall"], (r["cpu"] + r["server"]) * 60 / r["wall"]


def saver(quillo, home, trace=None):
    env = {"XDG_CONFIG_HOME": home}
    if trace:
        env["QUILLO_TRACE"] = trace
    return [quillo, "/S"], env


def fade_frame(quillo, seconds, repeats, work):
    pictures = photos("4000x3000", 12)
    ours, paced, back = [], [], []
    floor = os.path.join(BUILD, "bench", "fade_floor")
    with Xvfb("1920x1080") as x:
        floor_env = dict(os.environ, DISPLAY=x.display, QUILLO_BENCH_XSERVER_PID=str(x.pid))
        for k in range(repeats):
            write_settings(work, 11, 3000, pictures)
            trace = os.path.join(work, f"fade{k}.trace")
            argv, env = saver(quillo, work, trace)
            r = run(x, argv, seconds, env, sample=0.025)
            _, presents = read_trace(trace)
            ours += fade_costs(presents, r["samples"], 1920 * 1080)
            for pause, into in ((40, paced), (0, back)):
                out = subprocess.run([floor, "101", str(pause)], env=floor_env, check=True,
                                     capture_output=True, text=True).stdout.split()
                into.append(float(out[0]) + float(out[1]))
    if not ours:
        print("fade frame 1920x1080: no whole fade in the trace (a longer run?)")
        return
    # The saver's own work per frame is that of its interface thread: the decode ahead runs on a
    # worker during the fade and is no frame's cost.
    # The floor puts whole screens; the saver's frames are set against it per screen's pixels.
    o = statistics.median(c[1] for c in ours)
    raw = statistics.median(c[0] for c in ours)
    p, b = statistics.median(paced), statistics.median(back)
    print(f"fade frame 1920x1080, saver's interface thread + X server per screen's pixels / paced "
          f"floor (blend + XShmPutImage + XSync every 40 ms): {o / p:.2f}  ({o:.2f} ms / "
          f"{p:.2f} ms) (goal <= 1.3)")
    print(f"the same / the floor back to back: {o / b:.2f}  ({o:.2f} ms / {b:.2f} ms); "
          f"{raw:.2f} ms per frame as drawn, over {len(ours)} fades")


def fade_costs(presents, samples, screen_pixels):
    """Per whole fade in the trace (presents less than 200 ms apart, at least 50 of them), from
    the first sample after its first present to the last sample before its last: the interface
    thread's and the X server's processor ms per frame, and the same per whole screen's pixels
    (a fade at a random place blends and presents only its on-screen part)."""
    runs, current = [], []
    for _, ns, pixels in presents:
        if current and ns - current[-1][0] > 200_000_000:
            runs.append(current)
            current = []
        current.append((ns, pixels))
    runs.append(current)
    costs = []
    for fade in runs:
        if len(fade) < 50:
            continue
        inside = [s for s in samples if fade[0][0] <= s[0] <= fade[-1][0]]
        if len(inside) < 2:
            continue
        a, b = inside[0], inside[-1]
        frames = [pixels for ns, pixels in fade if a[0] < ns <= b[0]]
        if len(frames) >= 20:
            ms = ((b[1] - a[1]) + (b[2] - a[2])) / 1e6
            costs.append((ms / len(frames), ms / (sum(frames) / screen_pixels)))
    return costs


def versus_feh(quillo, seconds, repeats, work):
    pictures = photos("4000x3000", 12)
    if not shutil.which("feh"):
        print("fade and slide against feh: skipped (feh not installed)")
        return
    rows = {"fade": [], "slide": [], "feh": []}
    for _ in range(repeats):
        for name, mode in (("fade", 11), ("slide", 7)):
            write_settings(work, mode, 3000, pictures)
            with Xvfb("1920x1080") as x:
                argv, env = saver(quillo, work)
                rows[name].append(run(x, argv, seconds, env))
        with Xvfb("1920x1080") as x:
            rows["feh"].append(run(x, ["feh", "--fullscreen", "--slideshow-delay", "3",
                                       "--auto-zoom"] + pictures, seconds))
    feh_own = statistics.median(per_minute(r)[0] for r in rows["feh"])
    feh_all = statistics.median(per_minute(r)[1] for r in rows["feh"])
    for name, label, goal in (("fade", "fade (mode 11)", 1.0), ("slide", "slide (mode 7)", 3)):
        own = statistics.median(per_minute(r)[0] for r in rows[name])
        everything = statistics.median(per_minute(r)[1] for r in rows[name])
        print(f"{label} processor time per minute with the X server's / feh's, Time=3000, "
              f"1920x1080: {everything / feh_all:.2f}  ({everything:.2f} s / {feh_all:.2f} s) "
              f"(goal <= {goal})")
        print(f"  without the X server's: {own / feh_own:.2f}  ({own:.2f} s / {feh_own:.2f} s)")


def tick_to_screen(quillo, seconds, repeats, work):
    pictures = photos("6000x4000", 3)
    djpeg = []
    for _ in range(repeats):
        for path in pictures:
            start = time.monotonic()
            subprocess.run(["djpeg", "-dct", "int", "-outfile", os.devnull, path], check=True)
            djpeg.append((time.monotonic() - start) * 1e3)
    floor = statistics.median(djpeg)
    delays = {}
    write_settings(work, 1, 3000, pictures, "AllScreens=1")
    for k in range(repeats):
        trace = os.path.join(work, f"ticks{k}.trace")
        with Xvfb("3840x1080", monitors=2) as x:
            argv, env = saver(quillo, work, trace)
            run(x, argv, seconds, env)
        ticks, presents = read_trace(trace)
        dues = sorted({ns for _, ns in ticks})
        windows = sorted({w for w, _, _ in presents})
        # The photo is on a screen at the last present of its window before the next tick.
        for i, due in enumerate(dues):
            end = dues[i + 1] if i + 1 < len(dues) else float("inf")
            for w in windows:
                shown = [ns for v, ns, _ in presents if v == w and due <= ns < end]
                if shown:
                    delays.setdefault(w, []).append((shown[-1] - due) / 1e6)
    if len(delays) < 2:
        print(f"tick to screen, two screens: only {len(delays)} screen(s) presented")
    worst = 0
    for n, w in enumerate(sorted(delays), 1):
        d = delays[w]
        worst = max(worst, statistics.median(d))
        print(f"tick to screen, screen {n} of 2: median {statistics.median(d):.0f} ms, "
              f"longest {max(d):.0f} ms over {len(d)} ticks")
    print(f"tick to screen with AllScreens, two 1920x1080 screens, three 6000x4000 photos, slowest "
          f"screen's median / djpeg -dct int: {worst / floor:.2f}  ({worst:.0f} ms / "
          f"{floor:.0f} ms) (goal <= 0.2)")


def intervals_p95(ticks, presents):
    """The 95th percentile of the intervals between presents from the first tick on (before
    it the screen is still)."""
    start = min((ns for _, ns in ticks), default=0)
    times = sorted(ns for _, ns, _ in presents if ns >= start)
    gaps = sorted((b - a) / 1e6 for a, b in zip(times, times[1:]))
    if not gaps:
        return float("nan")
    return gaps[min(len(gaps) - 1, int(round(0.95 * (len(gaps) - 1))))]


def pan_zoom(quillo, seconds, repeats, work):
    pictures = photos("4000x3000", 12)
    # A saver with the mode names it in its settings dialog; QUILLO_BENCH_PAN_ZOOM=1 or 0 says
    # so instead.
    with open(quillo, "rb") as f:
        has_mode = b"Pan and zoom" in f.read()
    has_mode = {"1": True, "0": False}.get(os.environ.get("QUILLO_BENCH_PAN_ZOOM", ""), has_mode)
    gl = os.path.exists(GLSLIDESHOW[0])
    # The GL slideshow takes its photos from the image folder named in its settings file.
    home = os.path.join(work, "home")
    os.makedirs(home, exist_ok=True)
    with open(os.path.join(home, ".xscreensaver"), "w") as f:
        f.write(f"imageDirectory: {os.path.dirname(pictures[0])}\ngrabDesktopImages: False\n"
                f"grabVideoFrames: False\nchooseRandomImages: True\n")
    gl_env = {"HOME": home, "LP_NUM_THREADS": LP_NUM_THREADS,
              "PATH": "/usr/libexec/xscreensaver:" + os.environ.get("PATH", "")}
    ours, theirs, p95, cost = [], [], [], {}
    with Xvfb("1920x1080") as x:
        for k in range(repeats):
            if has_mode:
                write_settings(work, 12, 3000, pictures)
                trace = os.path.join(work, f"pan{k}.trace")
                argv, env = saver(quillo, work, trace)
                r = run(x, argv, seconds, env)
                ours.append(per_minute(r)[1])
                ticks, presents = read_trace(trace)
                p95.append(intervals_p95(ticks, presents))
                cost.setdefault("1080", []).append((r["cpu"] + r["server"]) * 1e3 /
                                                   max(len(presents), 1))
            if gl:
                theirs.append(per_minute(run(x, GLSLIDESHOW, seconds, gl_env))[1])
    print("GL slideshow: LP_NUM_THREADS=" + LP_NUM_THREADS + " " + " ".join(GLSLIDESHOW))
    if theirs:
        print(f"GL slideshow processor time per minute with the X server's, 1920x1080: "
              f"{statistics.median(theirs):.2f} s")
    if not has_mode:
        print("pan and zoom (mode 12): skipped (this saver has no mode 12)")
        return
    o = statistics.median(ours)
    if theirs:
        t = statistics.median(theirs)
        print(f"pan and zoom (mode 12) processor time per minute with the X server's / the GL "
              f"slideshow's, 1920x1080: {o / t:.2f}  ({o:.2f} s / {t:.2f} s) (goal <= 0.5)")
    m = statistics.median(p95)
    print(f"pan and zoom frame intervals, 95th percentile / 33.3 ms: {m / 33.33:.2f}  "
          f"({m:.1f} ms) (goal <= 1.5)")
    with Xvfb("3840x2160") as x:
        for k in range(repeats):
            trace = os.path.join(work, f"pan4k{k}.trace")
            argv, env = saver(quillo, work, trace)
            r = run(x, argv, seconds, env)
            _, presents = read_trace(trace)
            cost.setdefault("4K", []).append((r["cpu"] + r["server"]) * 1e3 /
                                             max(len(presents), 1))
    a, b = statistics.median(cost["4K"]), statistics.median(cost["1080"])
    print(f"pan and zoom frame cost (all its processor time and the X server's per present), "
          f"3840x2160 / 1920x1080: {a / b:.2f}  ({a:.2f} ms / {b:.2f} ms)")


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        sys.exit(2)
    quillo, part = sys.argv[1], sys.argv[2]
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 and sys.argv[3] else \
        {"versus-feh": 30, "pan-zoom": 30}.get(part, 20)
    repeats = int(sys.argv[4]) if len(sys.argv) > 4 else 3
    parts = {"fade-frame": fade_frame, "versus-feh": versus_feh,
             "tick-to-screen": tick_to_screen, "pan-zoom": pan_zoom}
    if part not in parts:
        print(__doc__)
        sys.exit(2)
    with tempfile.TemporaryDirectory() as work:
        parts[part](os.path.abspath(quillo), seconds, repeats, work)


if __name__ == "__main__":
    main()
