#!/usr/bin/env bash
# --render ends with status 0 only when it wrote every frame asked for, and otherwise says
# why and ends with 1: no atlas, a folder that cannot be made, a full disk; without a display
# the window cannot start and says so. From a folder whose name holds brackets, a backslash
# and blanks (taken literally), settings files the menu could never write (a hand edit,
# another version, a damaged disk): with each value the rain still falls in its colour, and
# the window writes the file back corrected when it ends.
source "$(dirname "$0")/harness.sh"
e2e_setup
folder="${E2E_DIR}/glyphfall [v2] \\ x"
mkdir -p "$folder"
mv "$APP" "${E2E_DIR}/bin/tex.png" "$folder/"
bare=$APP
APP="$folder/glyphfall"
INI="$folder/glyphfall.ini"
cp "$APP" "$bare"

e2e_run 0 "three frames" "$APP" --render "${E2E_DIR}/out" --frames 3 --size 64x48
[ "$(ls "${E2E_DIR}/out" | wc -l)" -eq 3 ] || e2e_fail "three frames: $(ls "${E2E_DIR}/out")"
e2e_run 1 "no atlas" "$bare" --render "${E2E_DIR}/out2" --frames 3
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

hostile=(Length=9 Length=-1 Count=-5 Count=nan Count=2000000000 Count=2.5 FallSpeed=-4 FallSpeed=1e400
    Distance=1e30 Distance=-5000 FlySpeed=99 Zoom=wide Leaders=500 Horizontal=-7 BouncePos=-1 BounceRot=5000
    Fly=2 ShowAds=yes RandomColors=3 RandomMove=-1 StayBack=7 ScreenSaver=-1)
for pair in "${hostile[@]}"; do
    e2e_write_settings "$INI" "$pair"
    rm -rf "${E2E_DIR}/out"
    e2e_run 0 "$pair: --render" "$APP" --render "${E2E_DIR}/out" --frames 20 --size 256x192 --seed 3
    grep -q "\"${pair%%=*}\" = .* cannot be used" <<<"$OUTPUT" || e2e_fail "$pair: the replacement was not reported: $OUTPUT"
    share=$(e2e_green_share "${E2E_DIR}/out/frame-0020.png")
    e2e_at_least "$share" 0.002 || e2e_fail "$pair: no rain in the frame (green share $share)"
done

# Custom glyphs from the switches, and stored ones that cannot be used: each named, Classic rains.
many=$(printf '%s' {a..z} {A..Z} {0..9})АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя  # 126 different
for stored in $'\xff\xfe' $'\x01\x02\x03' "$many"; do
    LC_ALL=C e2e_write_settings "$INI" Glyphs=4 "CustomGlyphs=$stored"
    e2e_run 0 "stored glyphs: --render" "$APP" --render "${E2E_DIR}/custom" --frames 20 --size 256x192 --seed 3
    grep -q '"CustomGlyphs" = .* cannot be used: .*; Classic is used instead' <<<"$OUTPUT" ||
        e2e_fail "stored glyphs: not reported: $OUTPUT"
    e2e_at_least "$(e2e_green_share "${E2E_DIR}/custom/frame-0020.png")" 0.002 || e2e_fail "stored glyphs: no rain"
done
e2e_run 0 "--glyphs" "$APP" --render "${E2E_DIR}/custom" --frames 20 --size 256x192 --seed 3 --glyphs "ЖЯ Ж" --font "/no/font"
grep -q '"GlyphFont" = "/no/font" cannot be used: there is no such file' <<<"$OUTPUT" || e2e_fail "--font: not reported: $OUTPUT"
e2e_at_least "$(e2e_green_share "${E2E_DIR}/custom/frame-0020.png")" 0.002 || e2e_fail "--glyphs: no rain"

# All of them at once, in the window, with a count it keeps: it rains, and the file is corrected.
e2e_write_settings "$INI" Length=9 Count=40 FallSpeed=-4 Distance=1e30 FlySpeed=99 Zoom=wide Leaders=500 \
    Horizontal=-7 BouncePos=-1 BounceRot=5000 Fly=2 ShowAds=yes RandomColors=3 RandomMove=-1 StayBack=7 ScreenSaver=-1
e2e_start_window
e2e_wait_green 0.005 30 "$SHOTS/hostile-settings.png"
e2e_key_ends Escape 0
e2e_expect_settings Length=1 Count=40 FallSpeed=0.5 Distance=70 FlySpeed=1 Zoom=1 Leaders=35 Horizontal=50 BouncePos=60 \
    BounceRot=30 Fly=1 ShowAds=1 RandomColors=0 RandomMove=0 StayBack=0 ScreenSaver=0
exit 0
