#!/usr/bin/env bash
# "Stay in background" switched on, off and on again while the rain runs: after each switch
# the window has the type and the hints asked for (a desktop window stays below everything
# and out of task bars) and the screen shows rain (the switch re-creates the window, and the
# picture must follow it). With "openbox" as argument, under that window manager; without,
# on the bare X server. Under openbox the window minimised draws nothing, and raised, rains
# again; the background covered by another window draws nothing until that one goes. A
# signal then ends it in order, the mark stored.
source "$(dirname "$0")/harness.sh"
e2e_setup
[ "${1:-}" = openbox ] && e2e_start_wm openbox

# The visible main window has the type asked for, and a desktop window alone the hints.
has_type() {  # DESKTOP|NORMAL
    local p
    p=$(e2e_windows '^Glyphfall$' | while read -r w; do xprop -id "$w" _NET_WM_WINDOW_TYPE _NET_WM_STATE; done)
    grep -q "_NET_WM_WINDOW_TYPE_$1" <<<"$p" || return 1
    [ "$(grep '^_NET_WM_STATE(' <<<"$p" | grep BELOW | grep -c SKIP_TASKBAR)" -eq "$([ "$1" = DESKTOP ] && echo 1 || echo 0)" ]
}
e2e_start_window
e2e_wait_green 0.01 30 "$SHOTS/background-${1:-bare}-0.png"
if [ "${1:-}" = openbox ]; then
    xdotool windowminimize "$WINDOW"
    e2e_wait_undrawn 3 "minimised"
    xdotool windowactivate "$WINDOW"
    e2e_wait_green 0.01 20 "$SHOTS/background-openbox-raised.png"
fi
step=0
for type in DESKTOP NORMAL DESKTOP; do
    step=$((step + 1))
    e2e_menu "${E2E_MENU_STAY_BACK[@]}"
    e2e_poll 20 has_type "$type" || e2e_fail "switch $step: no visible window of type $type with its hints"
    e2e_wait_green 0.01 20 "$SHOTS/background-${1:-bare}-$step.png"
done
grep -q 'eglSwapBuffers failed' "${E2E_DIR}/app.log" && e2e_fail "frames were presented to a surface that is gone"

xev -name cover -geometry 1024x768+0+0 >/dev/null 2>&1 &
E2E_PIDS+=($!)
e2e_wait_undrawn 2 "the background covered"
kill "${E2E_PIDS[-1]}"
e2e_wait_green 0.01 20 "$SHOTS/background-${1:-bare}-uncovered.png"
e2e_check_frame_log 20 "classic motion"

kill -TERM "$APP_PID"
e2e_expect_exit "$APP_PID" 10 0 "SIGTERM"
e2e_expect_settings StayBack=1
exit 0
