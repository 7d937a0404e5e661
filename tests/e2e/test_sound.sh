#!/usr/bin/env bash
# The saver's sound on SDL's disk driver: the first sound file plays from the start, a key ends
# pictures and sound together and the process goes at once, and a machine without an audio
# device gets a silent saver with no message.
source "$(dirname "$0")/lib.sh"
start_xvfb 640x480
mkdir -p "$XDG_CONFIG_HOME/Quillo"
ini="$XDG_CONFIG_HOME/Quillo/quillo51.ini"

wav="$E2E_TMP/long tone.wav"
make_tone "$wav"

picture="$E2E_TMP/red.bmp"
convert -size 64x48 xc:red "BMP3:$picture"
{
    printf '[Options]\nSound=1\nTime=1000\nPicdis=1\n[JpegConfig]\nName1=%s\n' "$picture"
    for n in $(seq 2 1000); do echo "Name$n=Null"; done
    printf '[WavConfig]\nName1=%s\n' "$wav"
    for n in $(seq 2 1000); do echo "Name$n=Null"; done
} >"$ini"

xdotool mousemove 320 240
start_quillo /S
wait_window zadarovi
wait_for 15 heard_at_least 100 || fail "no second of tone ($(heard) hundredths of a second)"
xdotool key space
wait_exit "$QUILLO_PID" 3 || fail "a key did not end the saver during its sound"
played=$(heard)
[ "$played" -lt 1000 ] || fail "the sound went on after the key ($played hundredths)"

# No audio device: the saver runs silent, shows nothing but itself, and a key ends it.
rm -f "$SDL_DISKAUDIOFILE"
SDL_AUDIODRIVER=no-such-driver start_quillo /S
wait_window zadarovi
sleep 1.5
[ "$(xdotool search --onlyvisible --name . 2>/dev/null | wc -l)" -eq 1 ] ||
    fail "a window besides the saver appeared"
kill -0 "$QUILLO_PID" 2>/dev/null || fail "the saver ended without an audio device"
xdotool key space
wait_exit "$QUILLO_PID" 3 || fail "a key did not end the silent saver"
echo "e2e sound: all checks passed"
