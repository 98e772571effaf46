#!/usr/bin/env bash
# When the X server goes away under the running program, it still writes its settings (what
# only the unload stores included) and ends with a status that says it failed.
source "$(dirname "$0")/harness.sh"
e2e_setup
e2e_start_window
e2e_menu "${E2E_MENU_LEADERS_MANY[@]}"
kill -TERM "$XVFB_PID"
e2e_wait_exit "$APP_PID" 10
[ "$EXIT_STATUS" -ne 0 ] || e2e_fail "the program ended with status 0 after losing its display"
e2e_check_settings_file
e2e_expect_settings Leaders=90
exit 0
