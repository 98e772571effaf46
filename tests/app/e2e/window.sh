#!/usr/bin/env bash
# A copy of its own, with a settings file beside it: the window covers the screen with green
# rain; a right click opens the popup menu at the pointer and Escape closes it; a second copy
# ends at once without a window; every key and dialog a user types into, titled exactly as
# they should be, with the rain (not the closed menu's image) around them; the rain goes on, and Escape ends it with status 0 and every value stored
# beside it (F1 sped up the stored fall speed), none in the user's folder. Smooth motion at
# the display's rate (Xvfb's 60): frames between the steps, never more than 60 a second nor
# a burst of steps, paced by the program's timer (the software renderer's swap cannot wait
# for a refresh). Then the messages:
# "/c" shows the configuration hint in a dialog box instead of the animation, writes nothing
# and ends with 0 once it is closed; "/p" (the screen-saver preview) ends at once and shows
# nothing, even on a display that does not exist. Without tex.png anywhere, start-up says so
# in a box titled "Error loading textures" and ends with status 1 once it is closed, its
# settings written in the user's folder (a folder without the atlas is no copy of its own).
# On an 8-bit display, where no OpenGL context can be made and no box can be painted, the
# message says so on standard error and the program ends with status 1.
source "$(dirname "$0")/harness.sh"
e2e_setup
e2e_write_settings "$INI" FallSpeed=0.7

e2e_start_window
main=$WINDOW
first=$APP_PID
geometry=$(e2e_geometry "$WINDOW")
[ "$geometry" = "1024x768+0+0" ] || e2e_fail "the window is $geometry, not the whole screen"
e2e_wait_green 0.01 30 "$SHOTS/running.png"

xdotool mousemove --sync 300 200 click 3
e2e_wait_window '^Popup' 15
case "$(e2e_geometry "$WINDOW")" in *+300+200) ;; *) e2e_fail "the menu is not at the pointer (300, 200)" ;; esac
e2e_screenshot "$SHOTS/menu.png"
end=$((SECONDS + $(e2e_seconds 20)))
until e2e_poll 2 e2e_no_window '^Popup'; do  # the popup holds the grab: no focus to give
    [ "$SECONDS" -ge "$end" ] && e2e_fail "Escape did not close the menu"
    xdotool key Escape
done

e2e_start
e2e_expect_exit "$APP_PID" 5 0 "the second copy"
e2e_window_count '^Glyphfall$' 1 || e2e_fail "more than one main window is shown"
APP_PID=$first
WINDOW=$main
e2e_running "$APP_PID" || e2e_fail "the first copy ended"

e2e_key F1 F1 F2 KP_Subtract F3 h e l l o Return F5 Return
e2e_menu "${E2E_MENU_SELECT_COUNT[@]}"
e2e_answer 'Change count' ' 300 '
# Where the menu was and the dialog is not, the rain shows again, not the menu's light image.
light=$(convert "$SHOTS/dialog-Change-count.png" -crop 170x80+305+410 -fx '(r > 0.8 && g > 0.8 && b > 0.8) ? 1 : 0' \
    -format '%[fx:mean]' info: | tail -n 1)
e2e_at_least 0.2 "$light" || e2e_fail "the closed menu's image stays behind the dialog (light share $light)"
e2e_menu "${E2E_MENU_SETUP_BOUNCING[@]}"
e2e_answer 'Setup rotation' 120
e2e_answer 'Setup bounces' 240
e2e_menu "${E2E_MENU_USER_COLOR[@]}"
e2e_answer 'User defined color' '0,200,0'
e2e_menu "${E2E_MENU_USER_COLOR[@]}"
e2e_answer 'User defined color' 'purple'
e2e_answer 'Error' ''
e2e_menu "${E2E_MENU_LONG[@]}"
e2e_menu "${E2E_MENU_LEADERS_MANY[@]}"
e2e_menu "${E2E_MENU_KEY_HELP[@]}"
e2e_poll 20 e2e_window_count '^Glyphfall$' 2 || e2e_fail "the key help did not appear"
e2e_screenshot "$SHOTS/key-help.png"
xdotool key Return
e2e_poll 10 e2e_window_count '^Glyphfall$' 1 || e2e_fail "the key help stayed"
WINDOW=$main
sleep 0.5  # a few frames, to draw over what the boxes covered
e2e_wait_green 0.01 20 "$SHOTS/after-dialogs.png"

e2e_key_ends Escape 0
e2e_has_window '^Glyphfall$' && e2e_fail "the window is still shown"
e2e_expect_settings Count=300 BounceRot=120 BouncePos=240 Color=#00C800 Length=2 Leaders=90 FlySpeed=0.9 FallSpeed=0.8
[ -e "${HOME}/.config/glyphfall" ] && e2e_fail "the copy wrote into the user's folder"

e2e_start_window --smooth
e2e_poll 20 sh -c '[ "$(wc -l <"$GLYPHFALL_FRAME_LOG")" -ge 4 ]' || e2e_fail "smooth motion: no frame log"
e2e_key_ends Escape 0
e2e_check_frame_log 60 "smooth motion"
awk '{ f += $2; s += $4 } $5 != "timer" { t = 1 } END { exit !(f > s && s > 0 && !t) }' "$GLYPHFALL_FRAME_LOG" ||
    e2e_fail "smooth motion: $(tr '\n' ';' <"$GLYPHFALL_FRAME_LOG")"
cp "$INI" "${E2E_DIR}/stored.ini"

e2e_start_window /c:1234
case "$(e2e_geometry "$WINDOW")" in 1024x768+*) e2e_fail "a full-screen window appeared instead of the hint" ;; esac
xprop -id "$WINDOW" _NET_WM_WINDOW_TYPE | grep -q '_NET_WM_WINDOW_TYPE_DIALOG' || e2e_fail "the hint is not a dialog"
e2e_screenshot "$SHOTS/configure-hint.png"  # its text is only drawn: no X property carries it
e2e_running "$APP_PID" || e2e_fail "the program ended while its hint was shown"
e2e_key_ends Return 0
cmp -s "$INI" "${E2E_DIR}/stored.ini" || e2e_fail "/c wrote the settings file"

for display in "$DISPLAY" :9999; do
    DISPLAY=$display e2e_start /p 1234
    e2e_expect_exit "$APP_PID" 5 0 "/p on display $display"
    e2e_has_window 'Glyphfall' && e2e_fail "/p showed a window"
done

Xvfb -displayfd 5 -screen 0 640x480x8 -nolisten tcp 5>"${E2E_DIR}/display-8" >"${E2E_DIR}/xvfb-8.log" 2>&1 &
E2E_PIDS+=($!)
e2e_poll 20 test -s "${E2E_DIR}/display-8" || e2e_fail "the 8-bit Xvfb did not start: $(cat "${E2E_DIR}/xvfb-8.log")"
DISPLAY=":$(head -n1 "${E2E_DIR}/display-8")" e2e_run 1 "on an 8-bit display" timeout "$(e2e_seconds 30)" "$APP"
grep -q 'No OpenGL context could be created' <<<"$OUTPUT" || e2e_fail "on an 8-bit display nothing said why: $OUTPUT"

rm "$INI" "${E2E_DIR}/bin/tex.png"
e2e_start
e2e_wait_window '^Error loading textures' 30
e2e_screenshot "$SHOTS/missing-texture.png"
e2e_running "$APP_PID" || e2e_fail "the program ended before the message was closed"
e2e_key_ends Return 1
e2e_expect_settings "${HOME}/.config/glyphfall/glyphfall.ini"
[ -e "$INI" ] && e2e_fail "the settings file was written beside the program"
exit 0
