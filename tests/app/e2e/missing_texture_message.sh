#!/usr/bin/env bash
# Without tex.png beside the program or in any data folder, start-up says so in a box
# titled "Error loading textures" and, once it is closed, ends with status 1: the settings
# file is still written, in the user's folder (a folder without the atlas is no copy of its own).
source "$(dirname "$0")/harness.sh"
e2e_setup
rm -f "${E2E_DIR}/bin/tex.png"

e2e_start
e2e_wait_window '^Error loading textures' 30
e2e_screenshot "${E2E_SCREENSHOT_DIR:-$E2E_DIR}/missing-texture.png"
e2e_running "$APP_PID" || e2e_fail "the program ended before the message was closed"

e2e_key_until_ended "$APP_PID" Return 30
[ "$EXIT_STATUS" -eq 1 ] || e2e_fail "a start without its atlas ended with status $EXIT_STATUS"
e2e_check_settings_file "${HOME}/.config/glyphfall/glyphfall.ini"
[ -e "${E2E_DIR}/bin/glyphfall.ini" ] && e2e_fail "the settings file was written beside the program"
exit 0
