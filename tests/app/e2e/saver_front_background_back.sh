#!/usr/bin/env bash
# Under openbox with an xterm open. "/s" with "Stay in background" stored: the rain covers the
# xterm and ends on a mouse movement, and the file keeps the stored choice. The background
# then: as large as the screen at a fractional scale; a click on it takes no keyboard focus, so an Escape after it leaves the wallpaper
# running; the right button still opens the menu, and its "Stay in background" brings back an
# ordinary window, which Escape ends.
source "$(dirname "$0")/harness.sh"
e2e_setup
command -v xterm >/dev/null || e2e_skip "xterm is not installed (scripts/install-deps installs it)"
e2e_start_wm openbox

# Share (0..1) of the screenshot's area WxH+X+Y where the condition on r, g, b holds.
share_in() {  # screenshot area condition
    convert "$1" -crop "$2" +repage -scale 25% -fx "($3) ? 1 : 0" -format '%[fx:mean]' info: | tail -n 1
}
WHITE='r > 0.9 && g > 0.9 && b > 0.9'
GREEN='g > 0.05 && g > 2 * r && g > 2 * b'
covered_by_rain() {  # area screenshot: rain there, and nothing of the white xterm
    import -window root "$2"
    e2e_at_least "$(share_in "$2" "$1" "$GREEN")" 0.005 && ! e2e_at_least "$(share_in "$2" "$1" "$WHITE")" 0.001
}

xterm -geometry 50x16+80+80 -bg white -fg black -T cover-me -e sleep 600 >/dev/null 2>&1 &  # no prompt renames it
E2E_PIDS+=($!)
e2e_wait_window '^cover-me$' 20
xterm_area=$(e2e_geometry "$WINDOW")
xdotool windowactivate --sync "$WINDOW" 2>/dev/null
e2e_screenshot "$SHOTS/xterm-alone.png"
e2e_at_least "$(share_in "$SHOTS/xterm-alone.png" "$xterm_area" "$WHITE")" 0.5 || e2e_fail "the xterm is not seen at $xterm_area"

e2e_write_settings "$INI" StayBack=1
e2e_start_window /s
e2e_poll 30 covered_by_rain "$xterm_area" "$SHOTS/saver-over-xterm.png" ||
    e2e_fail "the screen saver does not cover the xterm (see $SHOTS/saver-over-xterm.png)"
# The saver measures from the first position it sees: a few steps, each far from the start.
for x in 600 640 700 760 820 880 940; do
    xdotool mousemove "$x" 500
    e2e_poll 1 e2e_ended "$APP_PID" && break
done
e2e_expect_exit "$APP_PID" 5 0 "a mouse movement over the screen saver"
e2e_expect_settings StayBack=1 ScreenSaver=0

# The background, from the stored choice; the xterm stays in front of it. At a scale of 1.1
# (as MATE's settings give Qt) the screen's 768 rows are no whole number of logical pixels:
# the window still covers the screen exactly.
export QT_SCALE_FACTOR=1.1
e2e_start_window
unset QT_SCALE_FACTOR
app_window=$WINDOW
e2e_poll 20 sh -c "xprop -id $app_window _NET_WM_WINDOW_TYPE | grep -q DESKTOP" || e2e_fail "no desktop-type window"
covers_screen() { [ "$(e2e_geometry "$app_window")" = 1024x768+0+0 ]; }
e2e_poll 10 covers_screen || e2e_fail "the background is $(e2e_geometry "$app_window") on a 1024x768 screen"
e2e_wait_green 0.005 30 "$SHOTS/background-behind-xterm.png"
xprop -id "$app_window" WM_HINTS | grep -q 'accepts input or input focus: False' ||
    e2e_fail "the background asks for the keyboard: $(xprop -id "$app_window" WM_HINTS)"
xdotool mousemove 800 600 sleep 0.2 click 1
sleep 0.5
active=$(xdotool getactivewindow 2>/dev/null || true)
[ -n "$active" ] && [ "$active" = "$app_window" ] && e2e_fail "a click gave the background the keyboard focus"
xdotool key Escape
sleep "$(e2e_seconds 1.5)"
e2e_running "$APP_PID" || e2e_fail "Escape after a click on the background ended it"

# The menu at the pointer over the rain; its keys go to the menu, which holds the keyboard.
xdotool mousemove 800 600 sleep 0.1 click 3
e2e_wait_window '^Popup' 15
sleep 0.3
xdotool key --delay 60 "${E2E_MENU_STAY_BACK[@]}"
e2e_wait_no_window '^Popup' 10
e2e_poll 20 sh -c "xprop -id \$(xdotool search --onlyvisible --name '^Glyphfall\$' | tail -n1) _NET_WM_WINDOW_TYPE |
    grep -q NORMAL" || e2e_fail "\"Stay in background\" from the menu did not bring back an ordinary window"
e2e_wait_window '^Glyphfall$' 10
e2e_key_ends Escape 0
e2e_expect_settings StayBack=0
exit 0
