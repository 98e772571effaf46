#!/usr/bin/env bash
# A right click opens the popup menu at the pointer; Escape closes the menu, and a second
# Escape ends the program.
source "$(dirname "$0")/harness.sh"
e2e_setup

e2e_start
e2e_wait_window '^Glyphfall$' 30
main_window=$WINDOW

e2e_click 300 200 3
e2e_wait_window '^Popup' 15
geometry=$(e2e_geometry "$WINDOW")
e2e_log "menu $WINDOW at $geometry"
case "$geometry" in *+300+200) ;; *) e2e_fail "the menu is at $geometry, not at the pointer (300, 200)" ;; esac
e2e_screenshot "${E2E_SCREENSHOT_DIR:-$E2E_DIR}/menu.png"

e2e_key_until_gone '^Popup' Escape 20
e2e_running "$APP_PID" || e2e_fail "closing the menu ended the program"

WINDOW=$main_window
e2e_key_until_ended "$APP_PID" Escape 30
exit 0
