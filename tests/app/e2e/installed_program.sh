#!/usr/bin/env bash
# The program as a Linux user gets it from cmake --install: every file, valid desktop entry,
# AppStream data and manual page; --help, --version and a wrong switch answer on the terminal;
# run by a user who cannot write the program's folder, it rains with the installed atlas and
# F1 and Escape leave the new "FallSpeed" in $XDG_CONFIG_HOME/glyphfall, nothing beside it.
source "$(dirname "$0")/harness.sh"
[ -d "${GLYPHFALL_BUILD_DIR:-}" ] || e2e_fail "GLYPHFALL_BUILD_DIR does not name the build folder"
for tool in desktop-file-validate appstreamcli man; do
    command -v "$tool" >/dev/null || e2e_skip "$tool is not installed (scripts/install-deps --test installs it)"
done
e2e_start_x
chmod 755 "${E2E_DIR}"

root="${E2E_DIR}/dest"
DESTDIR="$root" cmake --install "${GLYPHFALL_BUILD_DIR}" --prefix /usr >"${E2E_DIR}/install.log" 2>&1 ||
    e2e_fail "cmake --install failed: $(cat "${E2E_DIR}/install.log")"
id=dev.glyphfall.Glyphfall
share="$root/usr/share"
for file in "$root/usr/bin/glyphfall" "$share/glyphfall/tex.png" "$share/glyphfall/tex.png.license" \
    "$share/applications/$id.desktop" "$share/metainfo/$id.metainfo.xml" "$share/man/man6/glyphfall.6" \
    "$share/icons/hicolor/scalable/apps/$id.svg"; do
    [ -f "$file" ] || e2e_fail "the install lacks ${file#"$root"}"
done
for size in 48 128 256; do  # a PNG's width and height are the big-endian words at bytes 16 and 20
    png="$share/icons/hicolor/${size}x${size}/apps/$id.png"
    [ -f "$png" ] || e2e_fail "the install lacks the ${size}px icon"
    [ "$(od -An -tu1 -j18 -N6 "$png" | awk '{print $1*256+$2, $5*256+$6}')" = "$size $size" ] ||
        e2e_fail "the ${size}px icon has another size"
done
desktop-file-validate "$share/applications/$id.desktop" || e2e_fail "the desktop entry is not valid"
saver_entry="$share/applications/screensavers/glyphfall.desktop"
[ -f "$saver_entry" ] && desktop-file-validate "$saver_entry" >/dev/null || e2e_fail "MATE's saver entry is missing or not valid"
grep -qx 'Exec=glyphfall --root' "$saver_entry" || e2e_fail "MATE's saver entry does not run glyphfall --root"
# MATE runs savers only from the hack folder, xscreensaver reads pages only from its config folder.
hack="$root/usr/libexec/xscreensaver/glyphfall"
[ -L "$hack" ] && [ "$(readlink "$hack")" = ../../bin/glyphfall ] && [ "$(readlink -f "$hack")" = "$root/usr/bin/glyphfall" ] ||
    e2e_fail "the install lacks the relative link usr/libexec/xscreensaver/glyphfall to the program"
[ -f "$share/xscreensaver/config/glyphfall.xml" ] || e2e_fail "the install lacks xscreensaver's page usr/share/xscreensaver/config/glyphfall.xml"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" >"${E2E_DIR}/appstream.log" 2>&1 ||
    e2e_fail "the AppStream metadata is not valid: $(cat "${E2E_DIR}/appstream.log")"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 MAN_DISABLE_SECCOMP=1 man --warnings -E UTF-8 -l "$share/man/man6/glyphfall.6" 2>&1 >/dev/null)
[ -z "$warnings" ] || e2e_fail "man warns about the manual page: $warnings"

# The terminal answers, and one version everywhere it is written.
APP="$root/usr/bin/glyphfall"
"$APP" --help >"${E2E_DIR}/help.txt" || e2e_fail "--help did not exit 0"
for switch in $(grep -o -- '--[a-z][-a-z]*' "${E2E_DIR}/help.txt" | sort -u); do
    grep -qF -- "${switch//-/\\-}" "$share/man/man6/glyphfall.6" || e2e_fail "the manual page does not mention $switch"
done
version=$("$APP" --version) || e2e_fail "--version did not exit 0"
version=${version#glyphfall }
grep -q "<release version=\"$version\"" "$share/metainfo/$id.metainfo.xml" || e2e_fail "the metadata's release is not $version"
grep -q "\"glyphfall $version\"" "$share/man/man6/glyphfall.6" || e2e_fail "the manual page is not of version $version"
changelog="$(dirname "$0")/../../../debian/changelog"
[ ! -f "$changelog" ] || head -n1 "$changelog" | grep -qF "($version)" || e2e_fail "debian/changelog is not at $version"
status=0
"$APP" --no-such-switch >"${E2E_DIR}/out.txt" 2>"${E2E_DIR}/err.txt" || status=$?
[ "$status" -eq 2 ] || e2e_fail "an unknown switch exited with $status, not 2"
[ -s "${E2E_DIR}/out.txt" ] && e2e_fail "an unknown switch printed on standard output"
[ "$(wc -l <"${E2E_DIR}/err.txt")" -eq 2 ] && grep -q -- "--help" "${E2E_DIR}/err.txt" ||
    e2e_fail "an unknown switch did not give one line and the hint: $(cat "${E2E_DIR}/err.txt")"

# The saver settings dialog's controls: the program takes every switch at each end of its
# range and at its default, and every choice (--render reads the same switches as a run).
options="$share/xscreensaver/config/glyphfall.xml"
[ -f "$options" ] || e2e_fail "the install lacks the xscreensaver option file"
grep -q '<screensaver name="glyphfall" _label="Glyphfall" gl="yes">' "$options" && grep -q '<command arg="--root"/>' "$options" ||
    e2e_fail "the option file does not name glyphfall, GL and --root"
for field in low high default; do
    switches=$(sed -n "s|.*arg=\"\(--[-a-z]*\) %\".*|\1|p" "$options")
    args=()
    for switch in $switches; do
        value=$(tr '\n' ' ' <"$options" | grep -o "arg=\"$switch %\"[^>]*" | sed -n "s|.* $field=\"\([^\"]*\)\".*|\1|p")
        if [ -n "$value" ]; then args+=("$switch" "$value"); fi  # a text field left empty passes no switch
    done
    # The text fields as a user fills them in.
    args+=(--glyphs "ᚠᚢᚦ ЖЯ" --font "DejaVu Sans Mono")
    # shellcheck disable=SC2046
    args+=($(sed -n 's|.*arg-\(un\)\{0,1\}set="\([^"]*\)".*|\2|p' "$options"))
    "$APP" --render "${E2E_DIR}/options" --frames 1 --size 32x24 "${args[@]}" >"${E2E_DIR}/options.log" 2>&1 ||
        e2e_fail "the program refused the option file's controls at their $field: ${args[*]}: $(cat "${E2E_DIR}/options.log")"
done

# An ordinary user: root may write anywhere, so the test becomes nobody; without root, the
# test's own user with the program's folder made read-only.
user_home="${E2E_DIR}/user"
mkdir -p "$user_home" "$user_home/run" "$user_home/data"
chmod 700 "$user_home/run"
run_as=()
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || e2e_skip "setpriv is not installed"
    chown -R 65534:65534 "$user_home"
    run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
else
    chmod a-w "$root/usr/bin"
fi
cat >"${E2E_DIR}/as-user" <<SCRIPT
#!/bin/sh
exec ${run_as[*]} env HOME="$user_home" XDG_CONFIG_HOME="$user_home/config" XDG_RUNTIME_DIR="$user_home/run" \
    XDG_DATA_HOME="$user_home/data" "$APP" "\$@"
SCRIPT
chmod 755 "${E2E_DIR}/as-user"
APP="${E2E_DIR}/as-user"
e2e_start_window
e2e_wait_green 0.01 30 "$SHOTS/installed.png"
e2e_key F1
e2e_key_ends Escape 0
e2e_expect_settings "$user_home/config/glyphfall/glyphfall.ini" FallSpeed=0.6  # F1 from the default 0.5
[ "$(ls -A "$root/usr/bin")" = "glyphfall" ] || e2e_fail "the program's folder got: $(ls -A "$root/usr/bin")"
exit 0
