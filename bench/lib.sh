# Helpers for the benchmark scripts that drive the saver on a display of their own. Source it.

# bench_xvfb WIDTHxHEIGHT FILE: a fresh Xvfb of that size (24 bits, no reset between clients);
# the display number it picks is written to FILE. Sets xvfb (its process) and display (":N").
bench_xvfb() {
    : >"$2"
    Xvfb -displayfd 3 -noreset -screen 0 "$1x24" -nolisten tcp 3>"$2" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$2" ] && break; sleep 0.1; done
    [ -s "$2" ] || { echo "Xvfb did not start" >&2; return 1; }
    display=":$(head -n 1 "$2")"
}

# stop_xvfb: ends the Xvfb bench_xvfb started, and reaps it.
stop_xvfb() {
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
}

# bench_store NAME: a folder under build-bench/ for files made once and kept between runs; prints
# its path.
bench_store() {
    local dir
    dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build-bench/$1"
    mkdir -p "$dir"
    echo "$dir"
}

# slots SECTION FILE...: a list section of the settings file, the files in its first slots and
# every other of its 1000 slots free.
slots() {
    local section=$1 n=0 file
    shift
    echo "[$section]"
    for file in "$@"; do
        n=$((n + 1))
        echo "Name$n=$file"
    done
    for n in $(seq $((n + 1)) 1000); do echo "Name$n=Null"; done
}
