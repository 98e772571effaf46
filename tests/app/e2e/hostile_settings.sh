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
    e2e_run 0 "$pair: --render" "$APP" --render "${E2E_DIR}/out" --frames 20 --size 256x192 --seed 3
    grep -q "\"${pair%%=*}\" = .* cannot be used" <<<"$OUTPUT" || e2e_fail "$pair: the replacement was not reported: $OUTPUT"
    share=$(e2e_green_share "${E2E_DIR}/out/frame-0020.png")
    awk -v s="$share" 'BEGIN { exit !(s > 0.002) }' || e2e_fail "$pair: no rain in the frame (green share $share)"
done
e2e_log "${#hostile[@]} hostile values: rain in every frame"

# All of them at once, in the window: it rains, and the file is corrected at the end.
e2e_write_settings "$ini" Length=9 Count=-5 FallSpeed=-4 Distance=1e30 FlySpeed=99 Zoom=wide Leaders=500 \
    Horizontal=-7 BouncePos=-1 BounceRot=5000 Fly=2 ShowAds=yes RandomColors=3 RandomMove=-1 StayBack=7 ScreenSaver=-1
e2e_start_window
e2e_wait_green 0.01 30 "${E2E_SCREENSHOT_DIR:-$E2E_DIR}/hostile-settings.png"
e2e_escape_ends
e2e_check_settings_file
e2e_expect_settings Length=1 Count=150 FallSpeed=0.5 Distance=70 FlySpeed=1 Zoom=1 Leaders=35 Horizontal=50 BouncePos=60 \
    BounceRot=30 Fly=1 ShowAds=1 RandomColors=0 RandomMove=0 StayBack=0 ScreenSaver=0
exit 0
