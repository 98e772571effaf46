#!/usr/bin/env bash
# When the X server goes away under the running program, it still writes its settings (the
# keys' changes included) and ends with a status that says it failed.
source "$(dirname "$0")/harness.sh"
e2e_setup
e2e_start
e2e_wait_window '^Glyphfall$' 30
e2e_key KP_Subtract
sleep 0.5
kill -TERM "$XVFB_PID"
e2e_wait_exit "$APP_PID" 10
[ "$EXIT_STATUS" -ne 0 ] || e2e_fail "the program ended with status 0 after losing its display"
e2e_check_settings_file
e2e_expect_setting FlySpeed 0.9
exit 0
