#!/usr/bin/env bash
# Captions on a uniform grey photo: the bottom-left corner with the option on differs from the
# same corner with it off by the caption's text over a darker band; a 320x200 preview is too
# small for a readable caption and shows none.
source "$(dirname "$0")/lib.sh"
export LC_ALL=C.UTF-8 TZ=UTC
start_xvfb 1024x768
pics="$E2E_TMP/pictures"
mkdir -p "$pics"
# A bitmap, so that every pixel is exactly the same grey.
photo="$pics/Beach at noon.bmp"
convert -size 1024x768 xc:"rgb(128,128,128)" "BMP3:$photo"
touch -d '2025-07-14 12:00:00 UTC' "$photo"
xdotool mousemove 512 384
# The caption's corner: 19 pixels high (2.5% of 768) and 9 in from the left and the bottom.
corner=(0 700 600 68)

end_saver() {
    xdotool key space
    wait_exit "$QUILLO_PID" 5 || fail "a key did not end the saver $1"
}

# shot_corner NAME: the corner once the photo is on the screen, and its grey.
shot_corner() {
    start_quillo /S
    wait_window zadarovi
    for _ in $(seq 40); do
        grey=$(pixel 512 100)
        [ "$grey" != "0,0,0" ] && break
        sleep 0.25
    done
    [ "$grey" != "0,0,0" ] || fail "$1: the photo did not show"
    # The caption comes with the picture: one more shot after it is up.
    sleep 0.5
    screenshot "$E2E_TMP/$1.png"
}

write_settings "Picdis=1 Time=60000 Sound=0 Captions=0" "$photo"
shot_corner off
end_saver "without captions"
off_grey=$(count_colour "$E2E_TMP/off.png" "${corner[@]}" "$grey")
[ "$off_grey" -eq $((600 * 68)) ] || fail "without captions the corner is not all grey ($off_grey)"

write_settings "Picdis=1 Time=60000 Sound=0 Captions=1" "$photo"
shot_corner on
end_saver "with captions"
# light AREA FILE: how many pixels of the corner are brighter than 200 of 255 (the letters).
light() {
    convert "$1" -crop "${corner[2]}x${corner[3]}+${corner[0]}+${corner[1]}" +repage \
        -colorspace gray -threshold 78.5% -precision 16 -format "%[fx:int(mean*w*h+0.5)]" info:
}
[ "$(light "$E2E_TMP/off.png")" -eq 0 ] || fail "without captions there are light pixels"
white=$(light "$E2E_TMP/on.png")
on_grey=$(count_colour "$E2E_TMP/on.png" "${corner[@]}" "$grey")
# The text: white letters, on a band that darkens the grey around them.
[ "$white" -ge 200 ] || fail "with captions: only $white light pixels in the corner"
[ "$on_grey" -lt "$off_grey" ] || fail "with captions the corner is all grey"
# Nothing but the caption changed: the grey above it and right of it stays.
[ "$(count_colour "$E2E_TMP/on.png" 0 0 1024 700 "$grey")" -eq $((1024 * 700)) ] ||
    fail "with captions the photo changed above the caption"
# Its height: the band's rows, from its top to the screen's bottom less the margin.
band_rows=$(convert "$E2E_TMP/on.png" -crop 1x68+9+700 +repage -fill black +opaque "rgb($grey)" \
    -fill white -opaque "rgb($grey)" -precision 16 -format "%[fx:int((1-mean)*h+0.5)]" info:)
[ "$band_rows" -eq 19 ] || fail "the caption is $band_rows pixels high, not 19"

# A preview of 320x200: 5 pixels would be too small to read, so no caption.
host preview 100 50 320 200
start_quillo -window-id "$HOST_ID"
wait_pixel 100 50 "$grey"
sleep 0.5
expect_count 100 50 320 200 "$grey" $((320 * 200)) "the preview shows more than the grey photo"
kill "$QUILLO_PID"
wait_exit "$QUILLO_PID" 5 || fail "the preview did not end on SIGTERM"
