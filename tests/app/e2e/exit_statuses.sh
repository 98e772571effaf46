#!/usr/bin/env bash
# --render ends with status 0 only when it wrote every frame asked for, and otherwise says
# why and ends with 1: no atlas, a folder that cannot be made, a full disk. Without a
# display the window cannot start and the status says so too.
source "$(dirname "$0")/harness.sh"
e2e_setup

e2e_run 0 "three frames" "$APP" --render "${E2E_DIR}/out" --frames 3 --size 64x48
[ "$(ls "${E2E_DIR}/out" | wc -l)" -eq 3 ] || e2e_fail "three frames: $(ls "${E2E_DIR}/out")"

mkdir "${E2E_DIR}/bare"
cp "$APP" "${E2E_DIR}/bare/"
e2e_run 1 "no atlas" "${E2E_DIR}/bare/glyphfall" --render "${E2E_DIR}/out2" --frames 3
grep -q 'glyph atlas was not found' <<<"$OUTPUT" || e2e_fail "no atlas: no reason given: $OUTPUT"

e2e_run 1 "a folder that cannot be made" "$APP" --render /proc/glyphfall-frames --frames 3
grep -q 'cannot make the folder' <<<"$OUTPUT" || e2e_fail "no folder: no reason given: $OUTPUT"

# A file-size limit stands in for a full disk (the signal it raises is ignored, so writes fail).
e2e_run 1 "a full disk" bash -c "trap '' XFSZ; ulimit -f 4; exec \"\$0\" \"\$@\"" "$APP" \
    --render "${E2E_DIR}/out3" --frames 3 --size 256x192
grep -q 'cannot write a frame: .*File too large' <<<"$OUTPUT" || e2e_fail "full disk: no reason given: $OUTPUT"
grep -q 'wrote [0-2] of 3 frames' <<<"$OUTPUT" || e2e_fail "full disk: the count is missing: $OUTPUT"

e2e_run 1 "no display" env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$APP"
grep -q 'no display' <<<"$OUTPUT" || e2e_fail "no display: no reason given: $OUTPUT"
exit 0
