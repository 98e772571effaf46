#!/usr/bin/env bash
# A copy of its own, with a settings file beside it: the program covers the screen with its
# window and shows green rain; a right click opens the popup menu at the pointer and Escape
# closes it; a second copy ends at once without a window while the first goes on; Escape
# ends it; the file beside it was read (F1 sped up the stored fall speed) and written with
# every key, and the user's folder got nothing.
source "$(dirname "$0")/harness.sh"
e2e_setup
shots="${E2E_SCREENSHOT_DIR:-$E2E_DIR}"
e2e_write_settings "${E2E_DIR}/bin/glyphfall.ini" FallSpeed=0.7

e2e_start_window /s
main=$WINDOW
first=$APP_PID
geometry=$(e2e_geometry "$WINDOW")
[ "$geometry" = "1024x768+0+0" ] || e2e_fail "the window is $geometry, not the whole screen"
e2e_wait_green 0.01 30 "$shots/running.png"

xdotool mousemove --sync 300 200 click 3
e2e_wait_window '^Popup' 15
geometry=$(e2e_geometry "$WINDOW")
case "$geometry" in *+300+200) ;; *) e2e_fail "the menu is at $geometry, not at the pointer (300, 200)" ;; esac
e2e_screenshot "$shots/menu.png"
e2e_key_until_gone '^Popup' Escape 20
e2e_running "$first" || e2e_fail "closing the menu ended the program"

e2e_start
e2e_wait_exit "$APP_PID" 5
[ "$EXIT_STATUS" -eq 0 ] || e2e_fail "the second copy ended with status $EXIT_STATUS"
[ "$(e2e_windows '^Glyphfall$' | wc -l)" -eq 1 ] || e2e_fail "more than one main window is shown"
e2e_running "$first" || e2e_fail "the first copy ended"

WINDOW=$main
APP_PID=$first
e2e_key F1
e2e_escape_ends
e2e_has_window '^Glyphfall$' && e2e_fail "the window is still shown"
e2e_check_settings_file
e2e_expect_settings FallSpeed=0.8
[ -e "${HOME}/.config/glyphfall" ] && e2e_fail "the copy wrote into the user's folder"
exit 0
