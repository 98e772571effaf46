#!/usr/bin/env bash
# A second copy started while one runs ends at once without a window; the first goes on.
source "$(dirname "$0")/harness.sh"
e2e_setup

e2e_start
first=$APP_PID
e2e_wait_window '^Glyphfall$' 30
main_window=$WINDOW

e2e_start
second=$APP_PID
e2e_wait_exit "$second" 5
[ "$EXIT_STATUS" -eq 0 ] || e2e_fail "the second copy ended with status $EXIT_STATUS"
count=$(e2e_windows '^Glyphfall$' | wc -l)
[ "$count" -eq 1 ] || e2e_fail "$count main windows are shown"
e2e_running "$first" || e2e_fail "the first copy ended"

WINDOW=$main_window
e2e_key_until_ended "$first" Escape 30
exit 0
