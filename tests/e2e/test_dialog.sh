#!/usr/bin/env bash
# The settings dialog of the real binary under a window manager: it opens centred with its own
# title bar and no border icons, Quillo's icon and its background colour; its group boxes keep
# their frame lines clear of the controls; its boxes have only a close box; its About box is its
# own (no taskbar entry); a tap on the title bar leaves it in place, a drag moves it; "Ok - Save"
# writes the options and ends the program, and while another program holds the settings file's
# lock it waits without holding up the window. Opened again on a list of pictures, its thumbnail
# follows a click in the list.
source "$(dirname "$0")/lib.sh"
start_xvfb 1280x1024
start_openbox
export HOME="$E2E_TMP/home"
mkdir -p "$HOME"

start_quillo /C
wait_window "Quillo Screensaver Creator Settings" 20
title_is "Quillo Screensaver Creator Settings"
window=$(xdotool search --onlyvisible --name "Quillo Screensaver Creator Settings" | head -1)

# The client area of 607x518 inside a border of 3 pixels and a caption of 18.
eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y, WIDTH, HEIGHT
[[ $WIDTH == 613 && $HEIGHT == 542 ]] || fail "window is ${WIDTH}x${HEIGHT}, not 613x542"
[[ $X == $(((1280 - 613) / 2)) && $Y == $(((1024 - 542) / 2)) ]] ||
    fail "window at $X,$Y is not centred"
unframed "$window"
quillo_icon "$window"
cx=$((X + 3)) cy=$((Y + 21))

# Once it has painted, the background everywhere in the same screenshot.
wait_pixel $((X + 600)) $((Y + 100)) 222,224,214
shot="$E2E_TMP/shot.png"
for offset in "600 100" "2 512" "300 430" "600 515"; do
    read -r dx dy <<<"$offset"
    colour=$(pixel $((cx + dx)) $((cy + dy)) "$shot")
    [[ $colour == "222,224,214" ]] || fail "background at +$dx,+$dy is $colour"
done
# The title bar: the title in white on the active caption, and no button at its right end (every
# pixel there bluer than it is red, as the caption's colour is).
[ "$(count_colour "$shot" $((X + 4)) $((Y + 4)) 250 16 255,255,255)" -gt 50 ] ||
    fail "the title bar shows no title"
[ "$(convert "$shot" -crop "40x16+$((X + 570))+$((Y + 4))" -format '%[fx:minima.b > maxima.r]' info:)" = 1 ] ||
    fail "the title bar has something at its right end"

# Group boxes: the frame line (the first row in the box's right part that is not background)
# lies above the controls at the top of the box: "Total Images =", the first display mode and
# the first colour set. GROUP_X GROUP_Y GROUP_W CONTROL_TOP, in client coordinates.
for place in "6 135 289 11" "6 260 289 15" "301 350 292 14"; do
    read -r gx gy gw top <<<"$place"
    line=$(convert "$shot" -crop "1x30+$((cx + gx + gw - 8))+$((cy + gy))" +repage txt:- |
        sed 1d | grep -v -m1 DEE0D6 | cut -d, -f2 | cut -d: -f1)
    [ -n "$line" ] && [ "$line" -le $((top - 3)) ] ||
        fail "the frame line of the box at $gx,$gy is at +${line:-none}, on its control at +$top"
done

# A box ("Remove Picture" with no pictures): the icon, and only a close box, which answers it.
xdotool mousemove $((cx + 6 + 10 + 65)) $((cy + 135 + 44 + 9)) click 1
wait_window Information
box=$(xdotool search --onlyvisible --name '^Information$' | head -1)
unframed "$box"
quillo_icon "$box"
eval "$(xdotool getwindowgeometry --shell "$box")"
xdotool mousemove $((X + WIDTH - 3 - 2 - 8)) $((Y + 3 + 2 + 7)) click 1
sleep 1
xdotool search --onlyvisible --name '^Information$' >/dev/null 2>&1 && fail "the close box did not close the box"

# The About box (480, 463) is transient for the dialog; Return closes it.
xdotool mousemove $((cx + 480 + 54)) $((cy + 463 + 10)) click 1
wait_window "Quillo Screensaver Creator" 10
about=$(xdotool search --onlyvisible --name '^Quillo Screensaver Creator$' | head -1)
[[ $(($(xprop -id "$about" WM_TRANSIENT_FOR | sed -n 's/.*# //p'))) == "$window" ]] ||
    fail "the About box is a window of its own: $(xprop -id "$about" WM_TRANSIENT_FOR)"
xdotool key Return

# A tap on the title bar (a quick click), then the pointer goes on: the dialog stays.
xdotool mousemove $((cx + 200)) $((cy - 10)) click 1
xdotool mousemove $((cx + 300)) $((cy + 200)) sleep 0.3 mousemove $((cx + 350)) $((cy + 250)) sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
[[ $X == $((cx - 3)) && $Y == $((cy - 21)) ]] || fail "after a tap the dialog followed the pointer"

# Dragging the title bar moves the dialog.
xdotool mousemove $((cx + 200)) $((cy - 10)) mousedown 1 sleep 0.3 mousemove $((cx + 230)) $((cy + 10)) \
    sleep 0.1 mousemove $((cx + 260)) $((cy + 30)) sleep 0.1 mouseup 1 sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
[[ $X == $((cx - 3 + 60)) && $Y == $((cy - 21 + 40)) ]] || fail "dragging the title bar did not move the dialog"
cx=$((X + 3)) cy=$((Y + 21))

# "Ok - Save" (479, 487, 109 x 21 within the client area) while another program holds the
# settings file's lock: the dialog stays, greys the button and can be dragged while it waits;
# after 10 s it reports the file, and the options are still there for a second try.
ini="$XDG_CONFIG_HOME/Quillo/quillo51.ini"
# ok_text: how many pixels of the button's caption are dark, as enabled text is and greyed is not.
ok_text() {
    convert "$E2E_TMP/shot.png" -crop "89x13+$((cx + 479 + 10))+$((cy + 487 + 4))" +repage \
        -threshold 25% -format "%[fx:int((1-mean)*w*h+0.5)]" info:
}
screenshot "$E2E_TMP/shot.png"
[ "$(ok_text)" -gt 20 ] || fail "no dark text on Ok - Save"
exec 9>"$XDG_CONFIG_HOME/Quillo/.quillo51.ini.lock"
flock 9
clicked=$(date +%s)
xdotool mousemove $((cx + 479 + 54)) $((cy + 487 + 10)) click 1
wait_for 5 eval 'screenshot "$E2E_TMP/shot.png"; [ "$(ok_text)" -eq 0 ]' ||
    fail "Ok - Save is not greyed while the save waits"
xdotool mousemove $((cx + 200)) $((cy - 10)) mousedown 1 sleep 0.3 mousemove $((cx + 180)) $((cy - 20)) \
    sleep 0.1 mousemove $((cx + 160)) $((cy - 30)) sleep 0.1 mouseup 1 sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
[[ $X == $((cx - 3 - 40)) && $Y == $((cy - 21 - 20)) ]] || fail "the waiting dialog did not move"
cx=$((X + 3)) cy=$((Y + 21))
wait_pixel $((cx + 600)) $((cy + 100)) 222,224,214
wait_window Error 20
waited=$(($(date +%s) - clicked))
[ "$waited" -ge 9 ] || fail "the save gave up after ${waited} s"
xdotool key Return
wait_for 5 eval '! xdotool search --onlyvisible --name "^Error\$" >/dev/null 2>&1' || fail "the error box stays"
kill -0 "$QUILLO_PID" 2>/dev/null || fail "the program ended without saving"
grep -qx "Seq=0" <(tr -d '\r' <"$ini") || fail "the refused save changed the file"
flock -u 9
xdotool mousemove $((cx + 479 + 54)) $((cy + 487 + 10)) click 1
wait_exit "$QUILLO_PID" 10 || fail "the program did not end after Ok - Save"
wait "$QUILLO_PID" || fail "the program ended with an error"

[[ -f $ini ]] || fail "no settings file"
# The new file says Seq=0; only the save writes the dialog's "Display In Order".
for expected in Sound=0 Seq=1 Color=4 Picdis=11 Time=2000 Height=25 Width=25; do
    grep -qx "$expected" <(tr -d '\r' <"$ini") || fail "$expected not in the settings file"
done

# On red, green and blue pictures: line 3, then line 2 with the button held 120 ms, each shows in
# the thumbnail (126 x 88 at 152, 29 in the box at 6, 135; list lines 13 pixels from 16 + 2).
for colour in red green blue; do convert -size 64x48 "xc:$colour" "$E2E_TMP/$colour.bmp"; done
write_settings Sound=0 "$E2E_TMP/red.bmp" "$E2E_TMP/green.bmp" "$E2E_TMP/blue.bmp"
start_quillo /C
wait_window "Quillo Screensaver Creator Settings" 20
window=$(xdotool search --onlyvisible --name "Quillo Screensaver Creator Settings" | head -1)
eval "$(xdotool getwindowgeometry --shell "$window")"
cx=$((X + 3)) cy=$((Y + 21)) tx=$((X + 3 + 6 + 152 + 63)) ty=$((Y + 21 + 135 + 29 + 44))
wait_pixel $tx $ty 255,0,0
xdotool mousemove $((cx + 60)) $((cy + 18 + 2 * 13 + 6)) click 1
wait_pixel $tx $ty 0,0,255
xdotool mousemove $((cx + 60)) $((cy + 18 + 13 + 6)) mousedown 1 sleep 0.12 mouseup 1
wait_pixel $tx $ty 0,128,0

# Closed by the window manager while "Ok - Save" waits for the lock: the program ends at once,
# without saving.
flock 9
xdotool mousemove $((cx + 479 + 54)) $((cy + 487 + 10)) click 1
wait_for 5 eval 'screenshot "$E2E_TMP/shot.png"; [ "$(ok_text)" -eq 0 ]' ||
    fail "Ok - Save is not greyed while the save waits"
xdotool key alt+F4
wait_exit "$QUILLO_PID" 3 || fail "the waiting dialog did not close"
flock -u 9
grep -q "^Seq=" "$ini" && fail "the dialog closed while waiting saved the options"
echo "e2e dialog: all checks passed"
