#!/usr/bin/env bash
# "/c" shows the configuration hint in a dialog box titled "Glyphfall" instead of the
# animation, writes no settings, and ends when the box is closed. "/p" (the screen-saver
# preview) ends at once and shows nothing, even with a display that does not exist.
source "$(dirname "$0")/harness.sh"
e2e_setup

e2e_start_window /c:1234
geometry=$(e2e_geometry "$WINDOW")
case "$geometry" in 1024x768+*) e2e_fail "a full-screen window appeared instead of the hint" ;; esac
xprop -id "$WINDOW" _NET_WM_WINDOW_TYPE | grep -q '_NET_WM_WINDOW_TYPE_DIALOG' ||
    e2e_fail "the hint window is not a dialog: $(xprop -id "$WINDOW" _NET_WM_WINDOW_TYPE)"
# The text itself is only drawn (no X property carries it): the screenshot keeps it for a person.
e2e_screenshot "${E2E_SCREENSHOT_DIR:-$E2E_DIR}/configure-hint.png"
e2e_running "$APP_PID" || e2e_fail "the program ended while its hint was shown"
e2e_key_until_ended "$APP_PID" Return 30
[ "$EXIT_STATUS" -eq 0 ] || e2e_fail "/c ended with status $EXIT_STATUS"
[ -e "${E2E_DIR}/bin/glyphfall.ini" ] && e2e_fail "/c wrote a settings file"

for display in "$DISPLAY" :9999; do
    DISPLAY=$display e2e_start /p 1234
    e2e_wait_exit "$APP_PID" 5
    [ "$EXIT_STATUS" -eq 0 ] || e2e_fail "/p on display $display ended with status $EXIT_STATUS"
    e2e_has_window 'Glyphfall' && e2e_fail "/p showed a window"
done
exit 0
