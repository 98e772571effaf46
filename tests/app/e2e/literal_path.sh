#!/usr/bin/env bash
# A program folder whose name holds brackets, a backslash and blanks is taken literally:
# the atlas is found, frames render, and the window reads and writes its settings there.
source "$(dirname "$0")/harness.sh"
e2e_setup
folder="${E2E_DIR}/glyphfall [v2] \\ x"
mkdir -p "$folder"
cp "${E2E_DIR}/bin/glyphfall" "${E2E_DIR}/bin/tex.png" "$folder/"
APP="$folder/glyphfall"

status=0
output=$("$APP" --render "${E2E_DIR}/out" --frames 2 --size 64x48 2>&1) || status=$?
printf '%s\n' "$output" >>"${E2E_DIR}/app.log"
[ "$status" -eq 0 ] || e2e_fail "--render from \"$folder\" ended with status $status: $output"
[ -f "${E2E_DIR}/out/frame-0002.png" ] || e2e_fail "--render wrote no frames"

e2e_write_settings "$folder/glyphfall.ini" Count=40
e2e_start
e2e_wait_window '^Glyphfall$' 30
e2e_wait_green 0.005 30 "${E2E_SCREENSHOT_DIR:-$E2E_DIR}/literal-path.png"
e2e_key_until_ended "$APP_PID" Escape 30
[ "$EXIT_STATUS" -eq 0 ] || e2e_fail "Escape ended the program with status $EXIT_STATUS"
[ "$(e2e_setting "$folder/glyphfall.ini" Count)" = 40 ] || e2e_fail "the settings file in \"$folder\" was not read"
[ "$(e2e_setting "$folder/glyphfall.ini" Horizontal)" = 50 ] || e2e_fail "the settings file in \"$folder\" was not written"
exit 0
