#!/usr/bin/env bash
# "/c" shows the configuration hint in a dialog box instead of the animation, writes no
# settings and ends with 0 once it is closed; "/p" (the screen-saver preview) ends at once
# and shows nothing, even on a display that does not exist. Without tex.png anywhere,
# start-up says so in a box titled "Error loading textures" and ends with status 1 once it is
# closed, its settings written in the user's folder (a folder without the atlas is no copy
# of its own).
source "$(dirname "$0")/harness.sh"
e2e_setup

e2e_start_window /c:1234
case "$(e2e_geometry "$WINDOW")" in 1024x768+*) e2e_fail "a full-screen window appeared instead of the hint" ;; esac
xprop -id "$WINDOW" _NET_WM_WINDOW_TYPE | grep -q '_NET_WM_WINDOW_TYPE_DIALOG' || e2e_fail "the hint is not a dialog"
e2e_screenshot "$SHOTS/configure-hint.png"  # its text is only drawn: no X property carries it
e2e_running "$APP_PID" || e2e_fail "the program ended while its hint was shown"
e2e_key_ends Return 0
[ -e "$INI" ] && e2e_fail "/c wrote a settings file"

for display in "$DISPLAY" :9999; do
    DISPLAY=$display e2e_start /p 1234
    e2e_expect_exit "$APP_PID" 5 0 "/p on display $display"
    e2e_has_window 'Glyphfall' && e2e_fail "/p showed a window"
done

rm "${E2E_DIR}/bin/tex.png"
e2e_start
e2e_wait_window '^Error loading textures' 30
e2e_screenshot "$SHOTS/missing-texture.png"
e2e_running "$APP_PID" || e2e_fail "the program ended before the message was closed"
e2e_key_ends Return 1
e2e_expect_settings "${HOME}/.config/glyphfall/glyphfall.ini"
[ -e "$INI" ] && e2e_fail "the settings file was written beside the program"
exit 0
