#!/usr/bin/env bash
# Settings files the menu could never write (a hand edit, another version, a damaged disk):
# with each value the rain still falls in its colour, and the window writes the file back
# corrected when it ends.
source "$(dirname "$0")/harness.sh"
e2e_setup
ini="${E2E_DIR}/bin/glyphfall.ini"
hostile=(Length=9 Length=-1 Count=-5 Count=nan Count=2000000000 Count=2.5 FallSpeed=-4 FallSpeed=1e400
    Distance=1e30 Distance=-5000 FlySpeed=99 Zoom=wide Leaders=500 Horizontal=-7 BouncePos=-1 BounceRot=5000
    Fly=2 ShowAds=yes RandomColors=3 RandomMove=-1 StayBack=7 ScreenSaver=-1)

for pair in "${hostile[@]}"; do
    e2e_write_settings "$ini" "$pair"
    rm -rf "${E2E_DIR}/out"
    status=0
    output=$("$APP" --render "${E2E_DIR}/out" --frames 20 --size 256x192 --seed 3 2>&1) || status=$?
    printf '%s\n' "$output" >>"${E2E_DIR}/app.log"
    [ "$status" -eq 0 ] || e2e_fail "$pair: --render ended with status $status: $output"
    grep -q "\"${pair%%=*}\" = .* cannot be used" <<<"$output" || e2e_fail "$pair: the replacement was not reported: $output"
    share=$(e2e_green_share "${E2E_DIR}/out/frame-0020.png")
    awk -v s="$share" 'BEGIN { exit !(s > 0.002) }' || e2e_fail "$pair: no rain in the frame (green share $share)"
done
e2e_log "${#hostile[@]} hostile values: rain in every frame"

# All of them at once, in the window: it rains, and the file is corrected at the end.
e2e_write_settings "$ini" Length=9 Count=-5 FallSpeed=-4 Distance=1e30 FlySpeed=99 Zoom=wide Leaders=500 \
    Horizontal=-7 BouncePos=-1 BounceRot=5000 Fly=2 ShowAds=yes RandomColors=3 RandomMove=-1 StayBack=7 ScreenSaver=-1
e2e_start
e2e_wait_window '^Glyphfall$' 30
e2e_wait_green 0.01 30 "${E2E_SCREENSHOT_DIR:-$E2E_DIR}/hostile-settings.png"
e2e_key_until_ended "$APP_PID" Escape 30
[ "$EXIT_STATUS" -eq 0 ] || e2e_fail "Escape ended the program with status $EXIT_STATUS"
e2e_check_settings_file
for pair in Length=1 Count=150 FallSpeed=0.5 Distance=70 FlySpeed=1 Zoom=1 Leaders=35 Horizontal=50 BouncePos=60 \
    BounceRot=30 Fly=1 ShowAds=1 RandomColors=0 RandomMove=0 StayBack=0 ScreenSaver=0; do
    e2e_expect_setting "${pair%%=*}" "${pair#*=}"
done
exit 0
