#!/usr/bin/env bash
# "Stay in background" switched on, off and on again while the rain runs: after each switch
# the window has the type asked for and the screen shows rain (the window is re-created by
# the switch, and the picture must follow it). With "openbox" as argument, under that window
# manager; without, on the bare X server. A signal then ends it in order, the mark stored.
source "$(dirname "$0")/harness.sh"
e2e_setup
[ "${1:-}" = openbox ] && e2e_start_wm openbox
shots="${E2E_SCREENSHOT_DIR:-$E2E_DIR}"

e2e_start_window
e2e_wait_green 0.01 30 "$shots/background-${1:-bare}-0.png"
step=0
for type in DESKTOP NORMAL DESKTOP; do
    step=$((step + 1))
    e2e_menu "${E2E_MENU_STAY_BACK[@]}"
    e2e_poll 20 sh -c "xdotool search --onlyvisible --name '^Glyphfall\$' | while read -r w; do
        xprop -id \$w _NET_WM_WINDOW_TYPE; done | grep -q _NET_WM_WINDOW_TYPE_$type" ||
        e2e_fail "switch $step: no visible window of type $type"
    e2e_wait_green 0.01 20 "$shots/background-${1:-bare}-$step.png"
done
grep -q 'eglSwapBuffers failed' "${E2E_DIR}/app.log" && e2e_fail "frames were presented to a surface that is gone"

kill -TERM "$APP_PID"
e2e_wait_exit "$APP_PID" 10
[ "$EXIT_STATUS" -eq 0 ] || e2e_fail "SIGTERM ended the program with status $EXIT_STATUS"
e2e_expect_settings StayBack=1
exit 0
