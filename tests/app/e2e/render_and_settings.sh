#!/usr/bin/env bash
# --render ends with status 0 only when it wrote every frame asked for, and otherwise says
# why and ends with 1: no atlas or one that cannot be used, a folder that cannot be made, a
# full disk; without a display, or with one that does not answer, the window cannot start and
# says so. From a folder whose name holds brackets, a backslash and blanks (taken literally),
# settings files the menu could never write (a hand edit, another version, a damaged disk):
# with each value the rain still falls in its colour, and the window writes the file back
# corrected when it ends. Settings files that are no files, or that cannot be read or
# written, never hold the rain or lose the user's settings without a word.
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
e2e_run 0 "one frame" "$APP" --render "${E2E_DIR}/out1" --frames 1 --size 64x48
grep -q 'wrote 1 frame to' <<<"$OUTPUT" || e2e_fail "one frame: the summary says: $OUTPUT"
e2e_run 1 "no atlas" "$bare" --render "${E2E_DIR}/out2" --frames 3
grep -q 'no usable glyph atlas was found' <<<"$OUTPUT" || e2e_fail "no atlas: no reason given: $OUTPUT"

# An atlas that cannot be used counts as missing: status 1 and the reason, in a bounded memory
# (decoding a 16384 x 16384 picture takes 2 GB; its header alone says it cannot be the atlas).
# The bound is on the data the program writes, not on its addresses: Mesa 25's llvmpipe
# reserves more than 600 MB of them for a context and crashes when it cannot.
atlas="$folder/tex.png"
cp "$atlas" "${E2E_DIR}/good.png"
memory_limit=(bash -c 'ulimit -d 600000 && exec "$0" "$@"')
[ -n "${E2E_SANITIZED:-}" ] && memory_limit=()  # the sanitizers' shadow memory counts as data
patch_bytes() { printf "$2" | dd of="$atlas" bs=1 seek="$1" conv=notrunc status=none; }  # at, bytes
broken=("cut short|a damaged PNG image" "zero bytes|empty, not a PNG image" "a JPEG|not a PNG image"
    "a bad checksum|a damaged PNG image (IHDR: CRC error)" "1x1|1x1 pixels" "16384x16384|16384x16384 pixels")
for case in "${broken[@]}"; do
    what=${case%%|*}
    cp "${E2E_DIR}/good.png" "$atlas"
    case $what in
        "cut short") head -c 20000 "${E2E_DIR}/good.png" >"$atlas" ;;
        "zero bytes") : >"$atlas" ;;
        "a JPEG") printf '\xff\xd8\xff\xe0\x00\x10JFIF\x00' >"$atlas" ;;
        "a bad checksum") patch_bytes 29 '\x5a' ;;
        1x1) convert -size 1x1 xc:black "png24:$atlas" ;;
        16384x16384) patch_bytes 16 '\x00\x00\x40\x00\x00\x00\x40\x00' ;;
    esac
    e2e_run 1 "atlas $what" "${memory_limit[@]}" "$APP" --render "${E2E_DIR}/out4" --frames 3 --size 64x48
    grep -qF "$atlas: ${case#*|}" <<<"$OUTPUT" || e2e_fail "atlas $what: the reason is missing: $OUTPUT"
done
[ -e "${E2E_DIR}/out4/frame-0001.png" ] && e2e_fail "frames were written without a usable atlas"
# In the window: the message box, then status 1.
e2e_start
e2e_wait_window '^Error loading textures$' 30
e2e_screenshot "$SHOTS/unusable-atlas.png"
e2e_key Return
e2e_expect_exit "$APP_PID" 20 1 "an unusable atlas in the window"
cp "${E2E_DIR}/good.png" "$atlas"
e2e_run 1 "a folder that cannot be made" "$APP" --render /proc/glyphfall-frames --frames 3
grep -q 'cannot make the folder' <<<"$OUTPUT" || e2e_fail "no folder: no reason given: $OUTPUT"
# A file-size limit stands in for a full disk (the signal it raises is ignored, so writes fail).
e2e_run 1 "a full disk" bash -c "trap '' XFSZ; ulimit -f 4; exec \"\$0\" \"\$@\"" "$APP" \
    --render "${E2E_DIR}/out3" --frames 3 --size 256x192
grep -q 'cannot write a frame: .*File too large' <<<"$OUTPUT" || e2e_fail "full disk: no reason given: $OUTPUT"
grep -q 'wrote [0-2] of 3 frames' <<<"$OUTPUT" || e2e_fail "full disk: the count is missing: $OUTPUT"
e2e_run 1 "no display" env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$APP"
grep -q 'no display' <<<"$OUTPUT" || e2e_fail "no display: no reason given: $OUTPUT"
# Displays that are named but do not answer: which one, and the same status (Qt would abort).
e2e_run 1 "an X display nobody serves" env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:77 "$APP"
grep -q 'no display can be reached: X display ":77"' <<<"$OUTPUT" || e2e_fail "DISPLAY=:77: $OUTPUT"
e2e_run 1 "a Wayland socket that is not there" env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=glyphfall-none "$APP"
grep -q 'no display can be reached: Wayland display "glyphfall-none"' <<<"$OUTPUT" || e2e_fail "no socket: $OUTPUT"

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
# Emoji from a font of colour bitmaps (fonts-noto-color-emoji), all of them its own: nothing to say.
e2e_run 0 "colour emoji" "$APP" --render "${E2E_DIR}/emoji" --frames 20 --size 256x192 --seed 3 \
    --glyphs "😀🎉🐍🚀" --font "Noto Color Emoji"
[ "$OUTPUT" = "glyphfall: wrote 20 frames to ${E2E_DIR}/emoji" ] || e2e_fail "colour emoji: $OUTPUT"
e2e_at_least "$(e2e_green_share "${E2E_DIR}/emoji/frame-0020.png")" 0.002 || e2e_fail "colour emoji: no rain"
# An empty value is refused, not taken for --version: no success without frames.
e2e_run 2 "--glyphs \"\"" "$APP" --render "${E2E_DIR}/none" --frames 2 --glyphs ""
[ -e "${E2E_DIR}/none" ] && e2e_fail "--glyphs \"\": a folder was made"

# All of them at once, in the window, with a count it keeps: it rains, and the file is corrected.
e2e_write_settings "$INI" Length=9 Count=40 FallSpeed=-4 Distance=1e30 FlySpeed=99 Zoom=wide Leaders=500 \
    Horizontal=-7 BouncePos=-1 BounceRot=5000 Fly=2 ShowAds=yes RandomColors=3 RandomMove=-1 StayBack=7 ScreenSaver=-1
e2e_start_window
e2e_wait_green 0.005 30 "$SHOTS/hostile-settings.png"
e2e_key_ends Escape 0
e2e_expect_settings Length=1 Count=40 FallSpeed=0.5 Distance=70 FlySpeed=1 Zoom=1 Leaders=35 Horizontal=50 BouncePos=60 \
    BounceRot=30 Fly=1 ShowAds=1 RandomColors=0 RandomMove=0 StayBack=0 ScreenSaver=0

# Settings files that are no files: the rain starts with the defaults at once, in a bounded
# memory; the end replaces a FIFO or a link to a device with a regular file (nothing is written
# through them) and says why it could not replace a folder.
cat >"${E2E_DIR}/limited" <<SCRIPT
#!/bin/sh
[ -n "${E2E_SANITIZED:-}" ] || ulimit -v 1500000
exec "$APP" "\$@"
SCRIPT
chmod 755 "${E2E_DIR}/limited"
program=$APP
APP="${E2E_DIR}/limited"
for kind in "a FIFO" "a character device" "a folder"; do
    rm -rf "$INI"
    case $kind in
        "a FIFO") mkfifo "$INI" ;;
        "a character device") ln -s /dev/zero "$INI" ;;
        "a folder") mkdir "$INI" ;;
    esac
    e2e_start_window
    e2e_wait_green 0.005 30 "$SHOTS/settings-${kind// /-}.png"
    e2e_key_ends Escape 0
    grep -qF "the settings file $INI is $kind, not a regular file: it is not read" "${E2E_DIR}/app.log" ||
        e2e_fail "$kind: not named"
    [ "$kind" = "a folder" ] && { grep -qF "the settings were not saved to $INI: Is a directory" "${E2E_DIR}/app.log" ||
        e2e_fail "$kind: the failed save was not reported"; continue; }
    [ -L "$INI" ] && e2e_fail "$kind: the link is still there"
    e2e_expect_settings Count=150 FallSpeed=0.5
done
rm -rf "$INI"
APP=$program

# An ordinary user's own file (root reads and writes anything: as root the test becomes nobody).
# One that cannot be read is kept byte for byte, and the end says the settings were not saved
# and why; a folder made read-only while the rain runs keeps the old file, and the end says so.
user="${E2E_DIR}/user"
own="$user/config/glyphfall/glyphfall.ini"
mkdir -p "$user/run" "$user/config/glyphfall" "$user/data/glyphfall"
chmod 700 "$user/run"
cp "${E2E_DIR}/good.png" "$user/data/glyphfall/tex.png"
e2e_write_settings "$own" Count=40
cp "$own" "${E2E_DIR}/own.ini"
run_as=()
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || e2e_skip "setpriv is not installed"
    chmod 755 "${E2E_DIR}"
    chown -R 65534:65534 "$user"
    run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
fi
cat >"${E2E_DIR}/as-user" <<SCRIPT
#!/bin/sh
exec ${run_as[*]} env HOME="$user" XDG_CONFIG_HOME="$user/config" XDG_RUNTIME_DIR="$user/run" \
    XDG_DATA_HOME="$user/data" "$bare" "\$@"
SCRIPT
chmod 755 "${E2E_DIR}/as-user"
APP="${E2E_DIR}/as-user"
chmod 000 "$own"
e2e_start_window
e2e_wait_green 0.005 30 "$SHOTS/unreadable-settings.png"
e2e_key_ends Escape 0
chmod 600 "$own"
cmp -s "$own" "${E2E_DIR}/own.ini" || e2e_fail "the unreadable settings file was replaced"
grep -qF "the settings file $own is unreadable (Permission denied): it is not read, and it will not be replaced" \
    "${E2E_DIR}/app.log" || e2e_fail "the unreadable file was not named at start"
grep -qF "the settings were not saved to $own: it was unreadable (Permission denied) at start" "${E2E_DIR}/app.log" ||
    e2e_fail "the end did not say the settings were not saved"
e2e_start_window
e2e_wait_green 0.005 30 "$SHOTS/read-only-settings.png"
chmod 555 "$(dirname "$own")"
e2e_key F1
e2e_key_ends Escape 0
chmod 755 "$(dirname "$own")"
cmp -s "$own" "${E2E_DIR}/own.ini" || e2e_fail "the old settings file was not kept"
grep -qF "the settings were not saved to $own: Permission denied" "${E2E_DIR}/app.log" ||
    e2e_fail "the failed save was not reported"
exit 0
