#!/usr/bin/env bash
# "/c" shows the configuration hint in a message box titled "Glyphfall", opens no
# animation window, writes no settings, and ends when the box is closed.
source "$(dirname "$0")/harness.sh"
e2e_setup

e2e_start /c:1234
e2e_wait_window '^Glyphfall$' 20
geometry=$(e2e_geometry "$WINDOW")
e2e_log "hint box $WINDOW at $geometry"
case "$geometry" in 1024x768+*) e2e_fail "a full-screen window appeared instead of the hint" ;; esac
xprop -id "$WINDOW" _NET_WM_WINDOW_TYPE | grep -q '_NET_WM_WINDOW_TYPE_DIALOG' ||
    e2e_fail "the hint window is not a dialog: $(xprop -id "$WINDOW" _NET_WM_WINDOW_TYPE)"
e2e_screenshot "${E2E_SCREENSHOT_DIR:-$E2E_DIR}/configure-hint.png"
e2e_running "$APP_PID" || e2e_fail "the program ended while its hint was shown"

# The text itself is only drawn (no X property carries it): the screenshot keeps it for a
# person to look at, and the window checks above tell the box from the animation.

e2e_key_until_ended "$APP_PID" Return 30
[ "$EXIT_STATUS" -eq 0 ] || e2e_fail "/c ended with status $EXIT_STATUS"
[ -e "${E2E_DIR}/bin/glyphfall.ini" ] && e2e_fail "/c wrote a settings file"
exit 0
