#!/usr/bin/env bash
# SIGTERM, SIGINT and SIGHUP end each mode in order within a second or two: the window
# modes run the unload (what only it stores and every key written, status 0), a signal that
# arrives while a dialog is open too, and --render stops after its frame with status 1.
source "$(dirname "$0")/harness.sh"
e2e_setup
ini="${E2E_DIR}/bin/glyphfall.ini"

ends_in_order() {  # signal what
    local start=$SECONDS
    kill "-$1" "$APP_PID"
    e2e_wait_exit "$APP_PID" 3
    e2e_log "$2: SIG$1 ended it in $((SECONDS - start)) s with status $EXIT_STATUS"
    [ "$EXIT_STATUS" -eq 0 ] || e2e_fail "$2: SIG$1 ended the program with status $EXIT_STATUS"
    e2e_check_settings_file
}

e2e_start_window
e2e_menu "${E2E_MENU_LEADERS_MANY[@]}"
ends_in_order TERM "window"
e2e_expect_settings Leaders=90  # stored by the unload only

e2e_write_settings "$ini" ScreenSaver=1
e2e_start_window
ends_in_order INT "screen saver"

e2e_write_settings "$ini" StayBack=1
e2e_start_window
ends_in_order HUP "background"
e2e_expect_settings StayBack=1

rm -f "$ini"
e2e_start_window
e2e_menu "${E2E_MENU_SELECT_COUNT[@]}"
e2e_wait_window '^Change count$' 20
ends_in_order TERM "with a dialog open"

"$APP" --render "${E2E_DIR}/out" --frames 100000 --size 64x48 >>"${E2E_DIR}/render.log" 2>&1 &
render=$!
E2E_PIDS+=("$render")
e2e_poll 20 test -e "${E2E_DIR}/out/frame-0003.png" || e2e_fail "--render wrote no frames"
kill -TERM "$render"
e2e_wait_exit "$render" 3
cat "${E2E_DIR}/render.log" >>"${E2E_DIR}/app.log"
[ "$EXIT_STATUS" -eq 1 ] || e2e_fail "a stopped --render ended with status $EXIT_STATUS"
grep -q 'stopped by signal 15' "${E2E_DIR}/render.log" || e2e_fail "--render did not say why it stopped"
exit 0
