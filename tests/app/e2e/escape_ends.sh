#!/usr/bin/env bash
# A copy of its own, with a settings file beside it: the program covers the screen with its
# window, shows green rain, and ends on Escape; the file beside it was read (F1 sped up the
# stored fall speed) and written with every key, and the user's folder got nothing.
source "$(dirname "$0")/harness.sh"
e2e_setup
e2e_write_fall_speed "${E2E_DIR}/bin/glyphfall.ini" 0.7

e2e_start
e2e_wait_window '^Glyphfall$' 30
geometry=$(e2e_geometry "$WINDOW")
[ "$geometry" = "1024x768+0+0" ] || e2e_fail "the window is $geometry, not the whole screen"
if command -v convert >/dev/null; then
    e2e_wait_green 0.01 30 "${E2E_SCREENSHOT_DIR:-$E2E_DIR}/running.png"
else
    e2e_log "no ImageMagick: the picture is not checked"
fi

e2e_key F1
e2e_key_until_ended "$APP_PID" Escape 30
[ "$EXIT_STATUS" -eq 0 ] || e2e_fail "Escape ended the program with status $EXIT_STATUS"
e2e_has_window '^Glyphfall$' && e2e_fail "the window is still shown"
e2e_check_settings_file
speed=$(e2e_setting "${E2E_DIR}/bin/glyphfall.ini" FallSpeed)
[ "$speed" = "0.8" ] || e2e_fail "FallSpeed is '$speed' after F1 from 0.7, not 0.8"
[ -e "${HOME}/.config/glyphfall" ] && e2e_fail "the copy wrote into the user's folder"
exit 0
