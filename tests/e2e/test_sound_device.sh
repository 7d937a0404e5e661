#!/usr/bin/env bash
# An audio device that hangs never holds the saver: with a sink nobody reads, a sink that stops
# reading and a sound server that never answers, the window comes within about a second, input
# and SIGTERM end the process within a second, the lock goes with it, and the next saver starts.
# A short MIDI file that plays at every tick reads its soundfont once.
source "$(dirname "$0")/lib.sh"
start_xvfb 640x480
picture="$E2E_TMP/red.bmp"
convert -size 64x48 xc:red "BMP3:$picture"
wav="$E2E_TMP/tone.wav"
make_tone "$wav"
SOUND_FILES="$wav" write_settings "Sound=1 Picdis=1 Time=1000" "$picture"
xdotool mousemove 320 240

# then_next_saver_starts: the lock is free, a new saver shows and a key ends it.
then_next_saver_starts() {
    SDL_AUDIODRIVER=dummy start_quillo /S
    wait_window zadarovi 5
    xdotool key Escape
    wait_exit "$QUILLO_PID" 3 || fail "$1: the next saver did not end"
}

# A FIFO that nobody reads: the device's open blocks for good.
fifo="$E2E_TMP/sink"
mkfifo "$fifo"
SDL_DISKAUDIOFILE="$fifo" start_quillo /S
wait_window zadarovi 4
kill -TERM "$QUILLO_PID"
wait_exit "$QUILLO_PID" 2 || fail "unread sink: SIGTERM did not end the saver within a second"
then_next_saver_starts "unread sink"

# A sink that reads 200 KB, then stops reading but stays open: the device's writes and its
# close block for good.
(dd of=/dev/null bs=1000 count=200 iflag=fullblock 2>/dev/null; : >"$E2E_TMP/sink-full"; sleep 600) <"$fifo" &
E2E_PIDS+=($!)
SDL_DISKAUDIOFILE="$fifo" start_quillo /S
wait_window zadarovi 4
wait_for 10 test -e "$E2E_TMP/sink-full" || fail "the sound never reached the sink"
sleep 0.5
xdotool key space
wait_exit "$QUILLO_PID" 2 || fail "stopped sink: the process did not end within a second of a key"
then_next_saver_starts "stopped sink"

# A sound server that accepts and never answers.
server="$E2E_TMP/pulse"
python3 -c '
import socket, sys, time
s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(8)
held = []
while True: held.append(s.accept()[0])
' "$server" &
E2E_PIDS+=($!)
for _ in $(seq 50); do [ -S "$server" ] && break; sleep 0.1; done
SDL_AUDIODRIVER=pulseaudio PULSE_SERVER="unix:$server" start_quillo /S
wait_window zadarovi 4
xdotool key space
wait_exit "$QUILLO_PID" 2 || fail "silent server: the process did not end within a second of a key"
then_next_saver_starts "silent server"

# A MIDI note of a quarter second, due again at every tick: the soundfont is read once. Counted
# with strace, where the machine lets a process trace its child.
if ! strace -qq -o /dev/null true 2>/dev/null; then
    echo "e2e sound device: strace cannot trace here; the soundfont count is left out"
else
    mid="$E2E_TMP/short.mid"
    printf 'MThd\0\0\0\6\0\0\0\1\0\140MTrk\0\0\0\17\0\300\0\0\220\74\144\60\200\74\100\0\377\57\0' >"$mid"
    SOUND_FILES="$mid" write_settings "Sound=1 Picdis=1 Time=1000" "$picture"
    # The mixer looks into the soundfont once when the device opens; what counts are the reads
    # that load it, after the MIDI file was opened.
    fonts_read() {
        awk '/short\.mid"/ { mid = 1 } mid && /\.sf[23]", O_RDONLY[^)]*\) = [0-9]/ { n++ }
             END { print n + 0 }' "$E2E_TMP/opens"
    }
    strace -f -qq -e trace=open,openat -o "$E2E_TMP/opens" "$QUILLO" /S \
        >>"$E2E_TMP/quillo.log" 2>&1 &
    QUILLO_PID=$!
    E2E_PIDS+=("$QUILLO_PID")
    wait_window zadarovi 10
    fonts_seen() { [ "$(fonts_read)" -ge 1 ]; }
    wait_for 5 fonts_seen || fail "the soundfont was never read"
    first=$(fonts_read)
    sleep 5
    later=$(fonts_read)
    xdotool key space
    wait_exit "$QUILLO_PID" 5 || fail "the MIDI saver did not end"
    [ "$later" -eq "$first" ] || fail "the soundfont was read again: $first opens, then $later"
fi
echo "e2e sound device: all checks passed"
