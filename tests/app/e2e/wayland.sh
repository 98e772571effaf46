#!/usr/bin/env bash
# The program on Wayland, under headless sway run by an unprivileged user (sway refuses root):
# "--background" rains on the background layer of both outputs (one at scale 2, drawn at
# device pixels) and no window appears; a terminal opened later is above the rain; fullscreen
# windows over every output bring the program's CPU near zero and the rain back when they go;
# an output added gets rain, one disabled loses it without an error; the right-click menu on
# the background and "Stay in background" unchecked there (the full-screen window). In a nested
# compositor: the first menu on the second output opens at the pointer; that output goes while
# the menu is open and the program lives on; the other output grows and its new area rains and
# takes right clicks; the compositor ends and the settings are saved (status 1). /s covers a
# full-screen terminal, ends on a key or the pointer moved, and rains on an added output.
# --root rains on every output, also through $WAYLAND_SOCKET, only on the output
# $SWAYLOCK_PLUGIN_OUTPUT_NAME names, and ends with 0 on SIGTERM and when the compositor goes.
# Under a compositor with fractional scales (wayland_newer.sh) the background and --root draw
# at device pixels at a scale of 1.5 too.
source "$(dirname "$0")/harness.sh"
for tool in sway swaymsg grim foot wtype convert setpriv; do
    command -v "$tool" >/dev/null || e2e_skip "$tool is not installed (scripts/install-deps --test installs it)"
done
[ -x "${GLYPHFALL_BIN:-}" ] && [ -x "${GLYPHFALL_WAYLAND_CLIENT:-}" ] || e2e_fail "GLYPHFALL_BIN or GLYPHFALL_WAYLAND_CLIENT missing"
# The compositor's buffers and the software renderer's frames are POSIX shared memory. A chroot
# whose /dev is bound without its /dev/shm has no tmpfs there that everyone may write: run
# again with one of our own, in a mount namespace of our own (the system's /dev/shm untouched).
if [ "$(stat -c %a /dev/shm 2>/dev/null)" != 1777 ] && [ "$(id -u)" -eq 0 ] && [ -z "${GLYPHFALL_E2E_OWN_SHM:-}" ] &&
    unshare --mount --propagation unchanged true 2>/dev/null; then
    GLYPHFALL_E2E_OWN_SHM=1 exec unshare --mount --propagation unchanged sh -c \
        'mount --make-rprivate /dev && mount -t tmpfs -o mode=1777 glyphfall-e2e-shm /dev/shm; exec "$@"' \
        sh bash "$0" "$@"
fi
E2E_DIR=$(mktemp -d "${TMPDIR:-/tmp}/glyphfall-wayland.XXXXXX")
SHOTS="${E2E_SCREENSHOT_DIR:-$E2E_DIR}"
trap e2e_cleanup EXIT
trap 'exit 1' INT TERM
chmod 755 "$E2E_DIR"
mkdir -p "$E2E_DIR/bin" "$E2E_DIR/home" "$E2E_DIR/shots"
mkdir -m 700 "$E2E_DIR/run"
cp "$GLYPHFALL_BIN" "$(dirname "$GLYPHFALL_BIN")/tex.png" "$GLYPHFALL_WAYLAND_CLIENT" "$E2E_DIR/bin/"
CLIENT="$E2E_DIR/bin/$(basename "$GLYPHFALL_WAYLAND_CLIENT")"
APP="$E2E_DIR/bin/glyphfall"
INI="$E2E_DIR/bin/glyphfall.ini"
if [ "$(id -u)" -eq 0 ]; then
    id glyphfall-e2e >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin glyphfall-e2e
    chown -R glyphfall-e2e: "$E2E_DIR/bin" "$E2E_DIR/home" "$E2E_DIR/run" "$E2E_DIR/shots"
    AS_USER=(setpriv --reuid=glyphfall-e2e --regid=glyphfall-e2e --clear-groups --)
    USER_NAME=glyphfall-e2e
else
    AS_USER=()
    USER_NAME=$(id -un)
fi
# A command as the user, in the compositor's session (it replaces the shell it runs in, so that
# a command started in the background has the PID that $! gives).
# On_nested runs it in the nested compositor's session instead; with WL_ROOT, inside that
# Debian root (a compositor that wayland_newer.sh provides: the test's folder has the same path
# inside it).
WL_DISPLAY=wayland-1 WL_SWAYSOCK=sway.sock WL_ROOT=
wl() {
    exec ${WL_ROOT:+chroot "$WL_ROOT"} "${AS_USER[@]}" env -i PATH=/usr/bin:/bin HOME="$E2E_DIR/home" XDG_RUNTIME_DIR="$E2E_DIR/run" \
        WAYLAND_DISPLAY="$WL_DISPLAY" SWAYSOCK="$E2E_DIR/run/$WL_SWAYSOCK" LIBGL_ALWAYS_SOFTWARE=1 \
        XDG_CONFIG_DIRS="$E2E_DIR/etc-xdg" XDG_DATA_DIRS="$E2E_DIR/share" \
        ${LSAN_OPTIONS:+LSAN_OPTIONS="$LSAN_OPTIONS"} ${UBSAN_OPTIONS:+UBSAN_OPTIONS="$UBSAN_OPTIONS"} "$@"
}
run() { (wl "$@"); }
on_nested() { local WL_DISPLAY=wayland-2 WL_SWAYSOCK=nested.sock; "$@"; }
# Where the user still cannot make shared memory, no Wayland client can draw at all.
run sh -c ': >/dev/shm/glyphfall-e2e-probe && rm /dev/shm/glyphfall-e2e-probe' 2>/dev/null ||
    e2e_skip "$USER_NAME cannot make shared memory in /dev/shm here ($(stat -c '%a %U' /dev/shm)): no Wayland client can draw"
cat >"$E2E_DIR/sway.conf" <<'EOF'
output HEADLESS-1 mode 640x480 position 0 0
output HEADLESS-2 mode 640x480 position 640 0 scale 2
default_border none
EOF
# sway makes its IPC socket where $SWAYSOCK says.
(WL_ROOT=${GLYPHFALL_E2E_SWAY_ROOT:-} wl env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$E2E_DIR/sway.conf") >"$E2E_DIR/sway.log" 2>&1 &
SWAY_PID=$!
E2E_PIDS+=("$SWAY_PID")
e2e_poll 20 test -S "$E2E_DIR/run/sway.sock" || e2e_fail "sway did not start: $(cat "$E2E_DIR/sway.log")"
e2e_poll 10 run swaymsg -t get_outputs || e2e_fail "sway does not answer"
e2e_log "sway as $SWAY_PID in $E2E_DIR"

start() {  # arguments: the program's, as the user, its PID in $APP_PID
    (wl timeout -k 3 "$(e2e_seconds 200)" "$@") >>"$E2E_DIR/app.log" 2>&1 &
    APP_PID=$!
    E2E_PIDS+=("$APP_PID")
    e2e_log "started $*"
}
GREEN='g > 0.05 && g > 2 * r && g > 2 * b'
RED='r > 0.05 && r > 2 * g && r > 2 * b'
shot() {
    run grim -o "$1" "$E2E_DIR/shots/$2.png" || return 1
    [ "$SHOTS" = "$E2E_DIR" ] || cp "$E2E_DIR/shots/$2.png" "$SHOTS/wayland-$2.png"
}
share_of() { convert "$E2E_DIR/shots/$1.png" -scale 25% -fx "($2) ? 1 : 0" -format '%[fx:mean]' info: | tail -n 1; }
shows() {  # output name colour share: a fresh screenshot of the output has that much of the colour
    shot "$1" "$2-$1" && e2e_at_least "$(share_of "$2-$1" "$3")" "$4"
}
wait_rain() {  # output name [colour]
    e2e_poll 20 shows "$1" "$2" "${3:-$GREEN}" 0.01 || e2e_fail "$2: no rain on $1 ($(share_of "$2-$1" "${3:-$GREEN}"))"
}
no_rain() { shows "$1" "$2" "$GREEN" 0.002 && e2e_fail "$2: rain on $1 ($(share_of "$2-$1" "$GREEN"))"; return 0; }
# Toplevel windows as "app_id fullscreen=N" lines (layer surfaces are not in the tree).
toplevels() {
    run swaymsg -t get_tree | awk -F'"' '/"name"/ && /HEADLESS/ { on = $4 } /"fullscreen_mode"/ { fs = $3 }
        /"app_id"/ { gsub(/[^0-9]/, "", fs); print $4, "fullscreen=" fs, "on=" on }'
}
count_toplevels() { [ "$(toplevels | grep -c "$1")" -eq "$2" ]; }
cpu_seconds() { awk '{ printf "%.2f", ($14 + $15) / 100 }' "/proc/$1/stat"; }
has_output() { run swaymsg -t get_outputs | grep -q "\"$1\""; }
LIGHT='r > 0.8 && g > 0.8 && b > 0.8'
menu_shown() {  # output x y: the menu's light face lies just right of and below that point (the
    # rain's white leaders are no more than specks there)
    shot "$1" "menu-$1" && e2e_at_least "$(convert "$E2E_DIR/shots/menu-$1.png" -crop "150x250+$(($2 + 10))+$(($3 + 10))" \
        +repage -fx "($LIGHT) ? 1 : 0" -format '%[fx:mean]' info: | tail -n 1)" 0.3
}
menu_at() {  # output layout_w layout_h x y: right click at x, y of the layout, which is the
    # output's local_x, local_y (two more arguments); the menu opens there
    local where=("$1" "$6" "$7")
    run "$CLIENT" pointer "$2" "$3" "$4,$5" right
    # On a loaded machine the sanitized program can miss the first click: the test clicks once
    # more, and says so, before it calls the menu missing.
    if ! e2e_poll 10 menu_shown "${where[@]}"; then
        e2e_log "no menu after the first right click; clicking again"
        run "$CLIENT" pointer "$2" "$3" "$4,$5" right
        e2e_poll 10 menu_shown "${where[@]}" || e2e_fail "the right click at $6, $7 of $1 opened no menu there"
    fi
}
keys() {  # one virtual keyboard for all of them: a keyboard that comes and goes closes the menu
    local typed=() k
    for k in "$@"; do typed+=(-s 80 -k "$k"); done
    run wtype -s 400 "${typed[@]}"
}
# (HEADLESS-3 lies right of the others by then: the layout is 2880 x 1080.)
menu() { menu_at HEADLESS-1 2880 1080 200 100 200 100 && keys "$@"; }  # room below for the menu

# The background on both outputs, with no toplevel window; HEADLESS-2 at scale 2 (logical
# 320 x 240) drawn at its 640 x 480 device pixels: halving and doubling it loses detail.
start "$APP" --background
wait_rain HEADLESS-1 background
wait_rain HEADLESS-2 background
[ -z "$(toplevels)" ] || e2e_fail "a toplevel window appeared: $(toplevels)"
at_device_pixels() {  # screenshot what: of the scale-2 output
    local detail
    detail=$(convert "$E2E_DIR/shots/$1.png" \( +clone -sample 50% -sample 200% \) \
        -compose difference -composite -colorspace gray -format '%[fx:mean]' info: | tail -n 1)
    e2e_at_least "$detail" 0.002 || e2e_fail "$2 on the scale-2 output is drawn at half its pixels (detail $detail)"
}
at_device_pixels background-HEADLESS-2 "the background"

# A terminal (running sleep: the test user has no login shell) is above the rain; fullscreen terminals over both outputs stop the frames.
run swaymsg "focus output HEADLESS-1; exec foot sleep 600" >/dev/null
e2e_poll 20 count_toplevels foot 1 || e2e_fail "foot did not open"
sleep 1
no_rain HEADLESS-1 terminal
run swaymsg "[app_id=foot] fullscreen enable; focus output HEADLESS-2; exec foot sleep 600" >/dev/null
e2e_poll 20 count_toplevels foot 2 || e2e_fail "the second foot did not open"
run swaymsg "focus output HEADLESS-2; fullscreen enable" >/dev/null
sleep "$(e2e_seconds 2)"
program=$(pgrep -u "$USER_NAME" -nx glyphfall)  # below timeout
before=$(cpu_seconds "$program")
sleep 4
used=$(awk -v a="$before" -v b="$(cpu_seconds "$program")" 'BEGIN { print (b - a) / 4 }')
e2e_log "CPU under fullscreen windows: $used s/s"
e2e_at_least "$(awk -v k="$E2E_SCALE" 'BEGIN { print 0.03 * k }')" "$used" ||
    e2e_fail "under fullscreen windows the program used $used CPU-s per s"
run swaymsg '[app_id=foot] kill' >/dev/null
wait_rain HEADLESS-1 uncovered
wait_rain HEADLESS-2 uncovered

# An output that comes gets rain; one disabled and enabled again changes nothing else (sway 1.7
# keeps a disabled output's global and our surface on it) and rains again.
run swaymsg create_output >/dev/null
e2e_poll 10 has_output HEADLESS-3 || e2e_fail "no third output"
wait_rain HEADLESS-3 added
run swaymsg output HEADLESS-3 disable >/dev/null
sleep 1
e2e_running "$APP_PID" || e2e_fail "the program ended when an output went"
run swaymsg output HEADLESS-3 enable >/dev/null
wait_rain HEADLESS-3 enabled-again

# The menu on the background: "Stay in background" unchecked brings the full-screen window.
menu "${E2E_MENU_STAY_BACK[@]}"
e2e_poll 15 count_toplevels 'dev.glyphfall.Glyphfall fullscreen=1' 1 ||
    e2e_fail "unchecking \"Stay in background\" did not bring the full-screen window: $(toplevels)"
wait_rain HEADLESS-1 window
# (Checking it again from the window's menu is not driven here: under headless sway the
# virtual devices close or bypass a popup of the full-screen window.)
kill -TERM "$APP_PID"
e2e_expect_exit "$APP_PID" 5 0 "--background: SIGTERM"
grep -q 'glyphfall:' "$E2E_DIR/app.log" && e2e_fail "the background said: $(grep glyphfall: "$E2E_DIR/app.log")"
e2e_expect_settings StayBack=0  # unchecked during the run: the user's choice is kept

# Outputs that go and grow, and a compositor that ends, in a nested sway whose two outputs are
# windows side by side on HEADLESS-3 (960 x 1080 each; sway 1.7 cannot take a headless output
# away): closing a window takes its output away, and the other output grows to 1920 x 1080.
sway_minor=$(sway --version 2>/dev/null | sed -n 's/^sway version 1\.\([0-9]*\).*/\1/p')
if [ -n "${GLYPHFALL_E2E_SWAY_ROOT:-}" ] || [ "${sway_minor:-0}" -ge 10 ]; then
    e2e_log "the nested compositor's part runs under sway 1.7 only (a nested sway 1.10 shows no outputs here)"
else
    nested_width() {  # output: its width now (the current mode's, which follows after its name)
        on_nested run swaymsg -t get_outputs | awk -v name="\"$1\"," '$1 == "\"name\":" && $2 == name { found = 1 }
            found && /"current_mode"/ { mode = 1 } mode && /"width"/ { gsub(/[^0-9]/, ""); print; exit }'
    }
    nested_is() { [ "$(nested_width "$1")" = "$2" ]; }
    printf 'default_border none\n' >"$E2E_DIR/nested.conf"
    run swaymsg "focus output HEADLESS-3" >/dev/null
    (wl env SWAYSOCK="$E2E_DIR/run/nested.sock" WLR_BACKENDS=wayland WLR_RENDERER=pixman WLR_WL_OUTPUTS=2 \
        WLR_LIBINPUT_NO_DEVICES=1 sway -c "$E2E_DIR/nested.conf") >"$E2E_DIR/nested.log" 2>&1 &
    NESTED_PID=$!
    E2E_PIDS+=("$NESTED_PID")
    e2e_poll 20 nested_is WL-2 960 || e2e_fail "the nested sway did not start: $(cat "$E2E_DIR/nested.log")"
    on_nested start "$APP" --background
    on_nested wait_rain WL-2 nested
    # The first menu on the second output opens at the pointer (1200, 300 of the layout).
    on_nested menu_at WL-2 1920 1080 1200 300 240 300
    # Its output goes while it is open: the other output grows, and the rain covers it all while
    # the menu is still open; the program lives on, and the menu is closed safely.
    run swaymsg '[title="wlroots - WL-2"] kill' >/dev/null
    e2e_poll 10 nested_is WL-1 1920 || e2e_fail "the nested WL-1 did not grow when WL-2 went"
    grown_rain() {  # rain over the right half of WL-1, which it did not have before
        on_nested shot WL-1 "grown-$1" && e2e_at_least "$(convert "$E2E_DIR/shots/grown-$1.png" -crop 960x1080+960+0 \
            -scale 25% -fx "($GREEN) ? 1 : 0" -format '%[fx:mean]' info: | tail -n 1)" 0.01
    }
    e2e_poll 20 grown_rain menu-open || e2e_fail "no rain where WL-1 grew while the menu was open"
    on_nested keys Escape
    sleep 1
    e2e_running "$APP_PID" || e2e_fail "the program ended when the menu's output went"
    # The rain and the clicks cover the grown output: "Random colors" from a menu in the new area.
    e2e_poll 20 grown_rain menu-closed || e2e_fail "no rain where WL-1 grew"
    on_nested menu_at WL-1 1920 1080 1500 500 1500 500
    on_nested keys Down Down Down Down Return
    sleep 1
    # The compositor ends: the choice is saved, and the end is a failure (status 1), as on X11.
    kill -KILL "$NESTED_PID"
    e2e_expect_exit "$APP_PID" 10 1 "--background when the compositor ended"
    grep -q 'the settings were saved' "$E2E_DIR/app.log" || e2e_fail "no word of the settings saved"
    e2e_expect_settings RandomColors=1
fi

# The screen saver (/s) covers a full-screen terminal on every output, in no window list; the
# pointer moved by a few pixels leaves it, by more ends it with 0. Again: an output added while
# it runs rains, and a key ends it with 0. (In the default green: the settings the compositor's
# end saved have random colours.)
saver() {  # what: /s started over the full-screen terminal, raining on both outputs
    rm -f "$INI"
    start "$APP" /s
    wait_rain HEADLESS-1 "$1"
    wait_rain HEADLESS-2 "$1"
}
run swaymsg "focus output HEADLESS-1; exec foot sleep 600" >/dev/null
e2e_poll 20 count_toplevels foot 1 || e2e_fail "foot did not open"
run swaymsg "[app_id=foot] fullscreen enable" >/dev/null
sleep 1
no_rain HEADLESS-1 fullscreen-terminal
run "$CLIENT" pointer 2880 1080 200,100  # where the pointer rests when the saver comes
saver saver
at_device_pixels saver-HEADLESS-2 "the saver"
[ "$(toplevels)" = "$(toplevels | grep foot)" ] || e2e_fail "/s is in the window list: $(toplevels)"
run "$CLIENT" pointer 2880 1080 200,100 300 202,101 300
sleep 1
e2e_running "$APP_PID" || e2e_fail "/s ended on a pointer moved by two pixels"
run "$CLIENT" pointer 2880 1080 240,140 300
e2e_expect_exit "$APP_PID" 5 0 "/s: the pointer moved"
saver saver-again
run swaymsg create_output >/dev/null
e2e_poll 10 has_output HEADLESS-4 || e2e_fail "no fourth output"
e2e_poll 20 shows HEADLESS-4 saver-added "$GREEN" 0.01 || e2e_fail "/s: no rain on the added output"
keys a
e2e_expect_exit "$APP_PID" 5 0 "/s: a key"
run swaymsg '[app_id=foot] kill' >/dev/null

# --root: every output, through WAYLAND_DISPLAY, then through a locker's socket.
rm -f "$INI"
# A locker's nested host offers no seat and no window shell: none is asked for, and Qt's
# Wayland plugin is not loaded (Qt makes no application object there).
for how in display socket; do
    if [ "$how" = socket ]; then
        start env WAYLAND_DEBUG=client "$CLIENT" socket "$APP" --root --color red
    else
        start "$APP" --root --color red
    fi
    for output in HEADLESS-1 HEADLESS-2; do wait_rain "$output" "root-$how" "$RED"; done
    grep -qE 'libQt6WaylandClient|libqwayland' "/proc/$(pgrep -u "$USER_NAME" -nx glyphfall)/maps" &&
        e2e_fail "--root loaded Qt's Wayland plugin"
    kill -TERM "$APP_PID"
    e2e_expect_exit "$APP_PID" 2 0 "--root through the $how: SIGTERM"
done
[ -e "$INI" ] && e2e_fail "--root wrote the settings file"
grep -E 'bind\([0-9]+, "(wl_seat|xdg_wm_base)"' "$E2E_DIR/app.log" && e2e_fail "--root bound a seat or a window shell"

# At a fractional scale (a compositor with wp_fractional_scale_v1: HEADLESS-2 at 1.5 is 426 x 320
# logical and 640 x 480 device pixels) the background's, --root's and the window's buffers have
# the device pixels (the width rounded from 426 x 1.5), not the logical size stretched.
if [ -n "${GLYPHFALL_E2E_FRACTIONAL:-}" ]; then
    run swaymsg output HEADLESS-2 scale 1.5 >/dev/null
    for how in --background --root /s; do
        from=$(($(wc -l <"$E2E_DIR/app.log") + 1))
        start env WAYLAND_DEBUG=client "$APP" "$how"
        wait_rain HEADLESS-2 "fractional-${how//[^a-z]/}"
        kill -TERM "$APP_PID"
        e2e_expect_exit "$APP_PID" 5 0 "$how at scale 1.5: SIGTERM"
        buffers=$(tail -n +"$from" "$E2E_DIR/app.log" | grep -oE 'create_buffer\(new id wl_buffer[@#][0-9]+, 0, [0-9]+, [0-9]+' |
            awk -F', ' '{ print $3 "x" $4 }' | sort -u | tr '\n' ' ')
        e2e_log "$how at scale 1.5: buffers $buffers"
        [[ " $buffers" == *" 639x480 "* ]] || e2e_fail "$how at scale 1.5 drew no buffer at 639 x 480 device pixels: $buffers"
        [[ " $buffers" == *" 426x320 "* ]] && e2e_fail "$how at scale 1.5 drew at the logical size: $buffers"
    done
    run swaymsg output HEADLESS-2 scale 2 >/dev/null
fi

# One output only; the compositor's end ends the run with 0.
start env SWAYLOCK_PLUGIN_OUTPUT_NAME=HEADLESS-2 "$APP" --root
wait_rain HEADLESS-2 named
sleep 1
no_rain HEADLESS-1 named
kill -TERM "$SWAY_PID"
e2e_expect_exit "$APP_PID" 10 0 "--root when the compositor went"
e2e_log "PASS"
