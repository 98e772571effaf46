#!/usr/bin/env bash
# A program folder whose name holds brackets, a backslash and blanks is taken literally:
# the atlas is found, frames render, and the window reads and writes its settings there.
source "$(dirname "$0")/harness.sh"
e2e_setup
folder="${E2E_DIR}/glyphfall [v2] \\ x"
mkdir -p "$folder"
cp "${E2E_DIR}/bin/glyphfall" "${E2E_DIR}/bin/tex.png" "$folder/"
APP="$folder/glyphfall"

e2e_run 0 "--render from \"$folder\"" "$APP" --render "${E2E_DIR}/out" --frames 2 --size 64x48
[ -f "${E2E_DIR}/out/frame-0002.png" ] || e2e_fail "--render wrote no frames"

e2e_write_settings "$folder/glyphfall.ini" Count=40
e2e_start_window
e2e_wait_green 0.005 30 "${E2E_SCREENSHOT_DIR:-$E2E_DIR}/literal-path.png"
e2e_escape_ends
e2e_expect_settings "$folder/glyphfall.ini" Count=40 Horizontal=50  # read, and written
exit 0
