#!/usr/bin/env bash
# The rain covers the screen; everything a user types: the speed and text keys, and every
# dialog of the menu with typed answers, titled exactly as they should be; the rain keeps
# running, and Escape ends it with status 0, every key stored.
source "$(dirname "$0")/harness.sh"
e2e_setup
shots="${E2E_SCREENSHOT_DIR:-$E2E_DIR}"

e2e_start_window
main=$WINDOW
geometry=$(e2e_geometry "$WINDOW")
[ "$geometry" = "1024x768+0+0" ] || e2e_fail "the window is $geometry, not the whole screen"
e2e_wait_green 0.01 30 "$shots/dialogs-0.png"

e2e_key KP_Subtract F1 F1 F2 F3 h e l l o Return F5 Return

e2e_menu "${E2E_MENU_SELECT_COUNT[@]}"
e2e_answer 'Change count' ' 300 '
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
e2e_poll 20 sh -c "[ \$(xdotool search --onlyvisible --name '^Glyphfall\$' | wc -l) -ge 2 ]" ||
    e2e_fail "the key help did not appear"
e2e_screenshot "$shots/dialogs-key-help.png"
xdotool key Return
e2e_poll 10 sh -c "[ \$(xdotool search --onlyvisible --name '^Glyphfall\$' | wc -l) -eq 1 ]" ||
    e2e_fail "the key help stayed"
e2e_running "$APP_PID" || e2e_fail "the program ended"
WINDOW=$main
sleep 0.5  # a few frames, to draw over what the boxes covered
e2e_wait_green 0.01 20 "$shots/dialogs-1.png"

e2e_escape_ends
e2e_check_settings_file
e2e_expect_settings Count=300 BounceRot=120 BouncePos=240 Color=#00C800 Length=2 Leaders=90 FlySpeed=0.9 FallSpeed=0.6
exit 0
