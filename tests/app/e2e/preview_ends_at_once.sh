#!/usr/bin/env bash
# "/p" (the screen-saver preview) ends at once, shows nothing and does not even need the
# display: with a display that does not exist it must still end cleanly.
source "$(dirname "$0")/harness.sh"
e2e_setup

start=$SECONDS
e2e_start /p 1234
e2e_wait_exit "$APP_PID" 5
[ "$EXIT_STATUS" -eq 0 ] || e2e_fail "/p ended with status $EXIT_STATUS"
e2e_has_window 'Glyphfall' && e2e_fail "/p showed a window"

DISPLAY=:9999 e2e_start /p
e2e_wait_exit "$APP_PID" 5
[ "$EXIT_STATUS" -eq 0 ] || e2e_fail "/p with an unreachable display ended with status $EXIT_STATUS"
e2e_log "both previews ended within $((SECONDS - start)) s"
