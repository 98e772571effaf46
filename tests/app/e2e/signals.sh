#!/usr/bin/env bash
# SIGTERM, SIGINT and SIGHUP end each mode in order within a second or two: the window
# modes run the unload (what only it stores and every key written, status 0), a signal that
# arrives while a dialog is open too, and --render stops after its frame with status 1. When
# the X server goes away under the program, it still stores its settings and ends with a
# status that says it failed.
source "$(dirname "$0")/harness.sh"
e2e_setup

ends_in_order() {  # signal what
    kill "-$1" "$APP_PID"
    e2e_expect_exit "$APP_PID" 3 0 "$2: SIG$1"
}

e2e_start_window
e2e_menu "${E2E_MENU_LEADERS_MANY[@]}"
ends_in_order TERM "window"
e2e_expect_settings Leaders=90  # stored by the unload only

e2e_write_settings "$INI" ScreenSaver=1
e2e_start_window
ends_in_order INT "screen saver"
e2e_expect_settings ScreenSaver=1

e2e_write_settings "$INI" StayBack=1
e2e_start_window
ends_in_order HUP "background"
e2e_expect_settings StayBack=1

rm -f "$INI"
e2e_start_window
e2e_menu "${E2E_MENU_SELECT_COUNT[@]}"
e2e_wait_window '^Change count$' 20
ends_in_order TERM "with a dialog open"
e2e_expect_settings

e2e_start --render "${E2E_DIR}/out" --frames 100000 --size 64x48
e2e_poll 20 test -e "${E2E_DIR}/out/frame-0003.png" || e2e_fail "--render wrote no frames"
kill -TERM "$APP_PID"
e2e_expect_exit "$APP_PID" 3 1 "a stopped --render"
grep -q 'stopped by signal 15' "${E2E_DIR}/app.log" || e2e_fail "--render did not say why it stopped"

rm -f "$INI"
e2e_start_window
e2e_menu "${E2E_MENU_LEADERS_MANY[@]}"
kill -TERM "$XVFB_PID"
e2e_poll 10 e2e_ended "$APP_PID" || e2e_fail "the program did not end after losing its display"
wait "$APP_PID" && e2e_fail "the program ended with status 0 after losing its display"
e2e_expect_settings Leaders=90
exit 0
