# Helpers for end-to-end tests: a private Xvfb display, a private settings folder, screenshots.
# Source it; the quillo binary is "$1" of the test script.
set -euo pipefail

QUILLO=${1:?usage: test.sh path/to/quillo}
E2E_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quillo-e2e-XXXXXX")
export XDG_CONFIG_HOME="$E2E_TMP/config"
export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# SDL must never try a real sound card here.
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$E2E_TMP/audio.raw"
unset QT_QPA_PLATFORM
XVFB_PID=
E2E_PIDS=()

cleanup() {
    for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$E2E_TMP"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    sed "s/^/xvfb: /" "$E2E_TMP/xvfb.log" >&2 || true
    [ -s "$E2E_TMP/quillo.log" ] && sed 's/^/quillo: /' "$E2E_TMP/quillo.log" >&2
    exit 1
}

# start_xvfb WIDTHxHEIGHT: a display of our own (Xvfb picks a free number), no window manager.
start_xvfb() {
    local geometry=${1:-1024x768}
    # A plain file, not a pipe: Xvfb may write to it again later, and a pipe without a reader
    # would kill it with SIGPIPE. -noreset keeps the server as it is between clients.
    local numberFile="$E2E_TMP/display-number"
    : >"$numberFile"
    Xvfb -displayfd 3 -noreset -screen 0 "${geometry}x24" -nolisten tcp 3>"$numberFile" \
        >"$E2E_TMP/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local n=
    for _ in $(seq 1 200); do
        n=$(head -n 1 "$numberFile")
        [ -n "$n" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$n" ] || fail "Xvfb did not start"
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    fail "Xvfb :$n does not answer"
}

# start_openbox: a window manager on the display, as on a desktop.
start_openbox() {
    openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
    E2E_PIDS+=($!)
    for _ in $(seq 50); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.1
    done
    fail "openbox did not start"
}

# unframed WINDOW: the window manager draws nothing around the window, so none of its buttons:
# the window's Motif hints (flags, functions, decorations) ask for no decorations, and the manager
# reports frame extents of 0.
unframed() {
    local hints=$(xprop -id "$1" _MOTIF_WM_HINTS) extents=$(xprop -id "$1" _NET_FRAME_EXTENTS)
    [[ $hints =~ =\ 0x[2367],\ 0x[0-9a-f]+,\ 0x0, ]] || fail "$hints: decorations left to the manager"
    [[ $extents == *"= 0, 0, 0, 0" ]] || fail "the window manager frames the window: $extents"
}

# quillo_icon WINDOW: the window's icon is Quillo's (its sky blue, 0x7cc4f2, is in the pixels).
quillo_icon() {
    xprop -id "$1" -f _NET_WM_ICON 32c ' = $0+' _NET_WM_ICON | tr ',' '\n' >"$E2E_TMP/icon"
    grep -q '^ *4286366962$' "$E2E_TMP/icon" || fail "window $1 does not show Quillo's icon"
}

# wait_window NAME [SECONDS]: waits until a visible window of that title exists.
wait_window() {
    local name=$1 limit=${2:-15}
    for _ in $(seq 1 $((limit * 10))); do
        xdotool search --onlyvisible --name "^$name\$" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    fail "no window named '$name'"
}

# title_is NAME: the visible window found by that title carries exactly that title, nothing
# appended.
title_is() {
    local id
    id=$(xdotool search --onlyvisible --name "^$1" | head -1)
    [ "$(xdotool getwindowname "$id")" = "$1" ] || fail "window title '$(xdotool getwindowname "$id")', expected '$1'"
}

# wait_for SECONDS COMMAND...: true once the command succeeds, polled every 0.1 s. Checks wait
# for the state they look at, never for a guess at how long the show takes to get there.
wait_for() {
    local limit=$1
    shift
    for _ in $(seq 1 $((limit * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# wait_exit PID [SECONDS]: true when the process ended in time.
wait_exit() {
    local pid=$1 limit=${2:-10}
    for _ in $(seq 1 $((limit * 10))); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

# pixel X Y [FILE]: "r,g,b" of a screenshot pixel (takes a new screenshot without FILE).
screenshot() { import -window root "$1"; }
pixel() {
    local file=${3:-}
    if [ -z "$file" ]; then
        file="$E2E_TMP/shot.png"
        screenshot "$file"
    fi
    convert "$file" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:
}

# count_colour FILE X Y W H R,G,B: how many pixels of the area have exactly that colour.
# The other pixels are painted black and the counted ones white, so the mean counts them; black
# itself is counted as what is left once every other pixel turns white. Full precision, so a count
# of millions is not printed as 1.2e+06.
count_colour() {
    local file=$1 x=$2 y=$3 w=$4 h=$5 rgb=$6
    local area=(convert "$file" -crop "${w}x${h}+${x}+${y}" +repage)
    if [ "$rgb" = 0,0,0 ]; then
        "${area[@]}" -fill white +opaque "rgb($rgb)" -precision 16 \
            -format "%[fx:int((1-mean)*w*h+0.5)]" info:
    else
        "${area[@]}" -fill black +opaque "rgb($rgb)" -fill white -opaque "rgb($rgb)" \
            -precision 16 -format "%[fx:int(mean*w*h+0.5)]" info:
    fi
}

# expect_count X Y W H R,G,B N MESSAGE: takes a screenshot ($E2E_TMP/shot.png, for pixel checks
# after it) and fails with the message unless the area holds exactly N pixels of that colour.
expect_count() {
    local shot="$E2E_TMP/shot.png"
    screenshot "$shot"
    [ "$(count_colour "$shot" "$1" "$2" "$3" "$4" "$5")" -eq "$6" ] || fail "$7"
}

# host NAME X Y W H: a window of "another program" (xwindow.py) to show the saver in; sets HOST_ID
# and HOST_PID.
host() {
    coproc HOST { exec /usr/bin/python3 "$E2E_DIR/xwindow.py" "$@"; }
    HOST_PID=$HOST_PID
    E2E_PIDS+=("$HOST_PID")
    read -r HOST_ID <&"${HOST[0]}"
}

start_quillo() {
    "$QUILLO" "$@" >>"$E2E_TMP/quillo.log" 2>&1 &
    QUILLO_PID=$!
    E2E_PIDS+=("$QUILLO_PID")
}

# write_settings "Key=Value ..." PICTURE...: the settings file with those options, those pictures
# in the first slots and every other slot free.
write_settings() {
    local options=$1
    shift
    mkdir -p "$XDG_CONFIG_HOME/Quillo"
    {
        echo "[Options]"
        for o in $options; do echo "$o"; done
        echo "[JpegConfig]"
        for n in $(seq 1 1000); do
            if [ "$n" -le $# ]; then echo "Name$n=${!n}"; else echo "Name$n=Null"; fi
        done
        echo "[WavConfig]"
        # SOUND_FILES: the sound list, when the test sets one.
        local -a sounds=(${SOUND_FILES:-})
        for n in $(seq 1 1000); do
            if [ "$n" -le ${#sounds[@]} ]; then echo "Name$n=${sounds[n - 1]}"; else echo "Name$n=Null"; fi
        done
    } >"$XDG_CONFIG_HOME/Quillo/quillo51.ini"
}

# wait_pixel X Y R,G,B [SECONDS]: waits until the screen shows that colour there; the screenshot
# that showed it stays in $E2E_TMP/shot.png, so further checks see the same moment.
wait_pixel() {
    local x=$1 y=$2 rgb=$3 limit=${4:-10} seen=
    for _ in $(seq 1 $((limit * 4))); do
        seen=$(pixel "$x" "$y")
        [ "$seen" = "$rgb" ] && return 0
        sleep 0.25
    done
    fail "pixel ($x, $y) is $seen, expected $rgb"
}

# make_tone FILE: a 30-second 441 Hz square wave as a WAV file, 16-bit mono at 44100 Hz (one
# period, doubled 13 times).
make_tone() {
    local wav=$1
    local period="$E2E_TMP/period" bytes
    {
        for _ in $(seq 50); do printf '\x10\x30'; done
        for _ in $(seq 50); do printf '\xf0\xcf'; done
    } >"$period"
    for _ in $(seq 13); do cat "$period" "$period" >"$period.2" && mv "$period.2" "$period"; done
    le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"
             printf "\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }
    bytes=$(stat -c %s "$period")
    {
        printf 'RIFF'; le32 $((bytes + 36)); printf 'WAVEfmt '; le32 16
        printf '\x01\x00\x01\x00'; le32 44100; le32 88200; printf '\x02\x00\x10\x00'
        printf 'data'; le32 "$bytes"; cat "$period"
    } >"$wav"
}

# Seconds of sound in the disk driver's file: frames (4 bytes, stereo) that are not silent.
heard() { echo $(( $( (tr -d '\000' <"$SDL_DISKAUDIOFILE" || true) 2>/dev/null | wc -c) / (4 * 441) )); }
# heard_at_least HUNDREDTHS: the disk driver's file holds that much sound.
heard_at_least() { [ -s "$SDL_DISKAUDIOFILE" ] && [ "$(heard)" -ge "$1" ]; }

