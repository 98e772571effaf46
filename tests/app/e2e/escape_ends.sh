#!/usr/bin/env bash
# The program covers the screen with its window, shows green rain, and ends on Escape,
# leaving the settings file with every key.
source "$(dirname "$0")/harness.sh"
e2e_setup

e2e_start /s
e2e_wait_window '^Glyphfall$' 30
geometry=$(e2e_geometry "$WINDOW")
[ "$geometry" = "1024x768+0+0" ] || e2e_fail "the window is $geometry, not the whole screen"
if command -v convert >/dev/null; then
    e2e_wait_green 0.01 30 "${E2E_SCREENSHOT_DIR:-$E2E_DIR}/running.png"
else
    e2e_log "no ImageMagick: the picture is not checked"
fi

e2e_key_until_ended "$APP_PID" Escape 30
[ "$EXIT_STATUS" -eq 0 ] || e2e_fail "Escape ended the program with status $EXIT_STATUS"
e2e_has_window '^Glyphfall$' && e2e_fail "the window is still shown"
e2e_check_settings_file
exit 0
