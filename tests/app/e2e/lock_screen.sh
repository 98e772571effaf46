#!/usr/bin/env bash
# glyphfall --lock under headless sway, run by the test's user (whose password the test sets)
# as a person's session would run it. Under sway 1.10 (wayland_newer.sh lock_screen.sh, with
# GLYPHFALL_E2E_SWAY_ROOT): the lock rains on both outputs, on one added while locked and on
# one disabled and enabled again; a wrong password typed through the virtual keyboard leaves it
# locked; a second lock is refused with 1; ten thousand keys keep its memory bounded; SIGTERM,
# SIGINT and SIGHUP leave it locked; killed, it leaves the session locked and a second --lock
# takes over; the right password unlocks it and it ends with 0; --daemonize returns once the
# session is locked.
# Under Debian 12's sway 1.7, which has no session lock, --lock refuses with 1 in one line.
source "$(dirname "$0")/harness.sh"
for tool in sway swaymsg grim wtype convert setpriv chpasswd; do
    command -v "$tool" >/dev/null || e2e_skip "$tool is not installed (scripts/install-deps --test installs it)"
done
[ -x "${GLYPHFALL_BIN:-}" ] || e2e_fail "GLYPHFALL_BIN missing"
[ "$(id -u)" -eq 0 ] || e2e_skip "the test sets its user's password: it needs root"
if [ "$(stat -c %a /dev/shm 2>/dev/null)" != 1777 ] && [ -z "${GLYPHFALL_E2E_OWN_SHM:-}" ] &&
    unshare --mount --propagation unchanged true 2>/dev/null; then
    GLYPHFALL_E2E_OWN_SHM=1 exec unshare --mount --propagation unchanged sh -c \
        'mount --make-rprivate /dev && mount -t tmpfs -o mode=1777 glyphfall-e2e-shm /dev/shm; exec "$@"' \
        sh bash "$0" "$@"
fi
E2E_DIR=$(mktemp -d "${TMPDIR:-/tmp}/glyphfall-lock.XXXXXX")
SHOTS="${E2E_SCREENSHOT_DIR:-$E2E_DIR}"
USER_NAME=glyphfall-e2e
PASSWORD="Rain-$RANDOM-$RANDOM"
PAM_FILE=/etc/pam.d/glyphfall
own_pam_file=
finish() {  # the user's password goes again; the service file too where the test put it
    local status=$?
    usermod -p '!' "$USER_NAME" 2>/dev/null
    [ -n "$own_pam_file" ] && rm -f "$PAM_FILE"
    (exit "$status")
    e2e_cleanup
}
trap finish EXIT
trap 'exit 1' INT TERM
chmod 755 "$E2E_DIR"
mkdir -p "$E2E_DIR/bin" "$E2E_DIR/home" "$E2E_DIR/shots"
mkdir -m 700 "$E2E_DIR/run"
cp "$GLYPHFALL_BIN" "$(dirname "$GLYPHFALL_BIN")/tex.png" "$E2E_DIR/bin/"
APP="$E2E_DIR/bin/glyphfall"
id "$USER_NAME" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$USER_NAME"
echo "$USER_NAME:$PASSWORD" | chpasswd || e2e_fail "could not set the password of $USER_NAME"
if [ ! -e "$PAM_FILE" ]; then
    own_pam_file=1
    cp "$(dirname "$0")/../../../data/pam/glyphfall" "$PAM_FILE"
fi
chown -R "$USER_NAME": "$E2E_DIR/bin" "$E2E_DIR/home" "$E2E_DIR/run" "$E2E_DIR/shots"
AS_USER=(setpriv --reuid="$USER_NAME" --regid="$USER_NAME" --init-groups --)
WL_ROOT=${GLYPHFALL_E2E_SWAY_ROOT:-}
wl() {
    exec "${AS_USER[@]}" env -i PATH=/usr/bin:/bin HOME="$E2E_DIR/home" XDG_RUNTIME_DIR="$E2E_DIR/run" \
        WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$E2E_DIR/run/sway.sock" LIBGL_ALWAYS_SOFTWARE=1 \
        XDG_CONFIG_DIRS="$E2E_DIR/etc-xdg" XDG_DATA_DIRS="$E2E_DIR/share" \
        ${LSAN_OPTIONS:+LSAN_OPTIONS="$LSAN_OPTIONS"} ${UBSAN_OPTIONS:+UBSAN_OPTIONS="$UBSAN_OPTIONS"} "$@"
}
run() { (wl "$@"); }
cat >"$E2E_DIR/sway.conf" <<'CONF'
output HEADLESS-1 mode 640x480 position 0 0
output HEADLESS-2 mode 640x480 position 640 0
CONF
(cd / && exec ${WL_ROOT:+chroot "$WL_ROOT"} "${AS_USER[@]}" env -i PATH=/usr/bin:/bin HOME="$E2E_DIR/home" \
    XDG_RUNTIME_DIR="$E2E_DIR/run" SWAYSOCK="$E2E_DIR/run/sway.sock" WLR_BACKENDS=headless WLR_RENDERER=pixman \
    WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 sway -c "$E2E_DIR/sway.conf") >"$E2E_DIR/sway.log" 2>&1 &
E2E_PIDS+=("$!")
e2e_poll 20 test -S "$E2E_DIR/run/sway.sock" || e2e_fail "sway did not start: $(cat "$E2E_DIR/sway.log")"
e2e_poll 10 run swaymsg -t get_outputs || e2e_fail "sway does not answer"
e2e_log "$(run swaymsg -t get_version | grep -o '"human_readable": "[^"]*"')"

if [ -z "$WL_ROOT" ]; then
    # The refusal needs a sway without the session lock (1.7); a newer one (Debian 13's) would
    # lock this session for real: the lock itself is lock_screen_newer's.
    run swaymsg -t get_version | grep -q '"human_readable": "1\.[0-7][^0-9]' ||
        e2e_skip "this sway has the session lock; the refusal is tested under sway 1.7"
    run timeout "$(e2e_seconds 30)" "$APP" --lock >"$E2E_DIR/app.log" 2>&1
    status=$?
    [ "$status" -eq 1 ] || e2e_fail "--lock under sway 1.7 ended with $status, not 1"
    [ "$(wc -l <"$E2E_DIR/app.log")" -eq 1 ] && grep -q XSecureLock "$E2E_DIR/app.log" ||
        e2e_fail "--lock under sway 1.7 did not say in one line where to lock instead"
    e2e_log "PASS: --lock refuses where there is no session lock: $(cat "$E2E_DIR/app.log")"
    exit 0
fi

start() {  # the program's arguments; its PID in $APP_PID
    (wl timeout -k 3 "$(e2e_seconds 200)" "$APP" "$@") >>"$E2E_DIR/app.log" 2>&1 &
    APP_PID=$!
    E2E_PIDS+=("$APP_PID")
}
GREEN='g > 0.05 && g > 2 * r && g > 2 * b'
share_of() { convert "$E2E_DIR/shots/$1.png" -scale 25% -fx "($GREEN) ? 1 : 0" -format '%[fx:mean]' info: | tail -n 1; }
shows_rain() {  # output name
    run grim -o "$1" "$E2E_DIR/shots/$2.png" && e2e_at_least "$(share_of "$2")" 0.01
}
wait_rain() {
    e2e_poll 30 shows_rain "$1" "$2-$1" || e2e_fail "$2: no rain on $1"
    [ "$SHOTS" = "$E2E_DIR" ] || cp "$E2E_DIR/shots/$2-$1.png" "$SHOTS/lock-$2-$1.png"
}
# Each wtype brings a virtual keyboard of its own, which the lock binds when it comes: a key
# sent at once could be lost, so an Escape (which only clears) goes first.
type_line() { run wtype -s 500 -k Escape -s 300 "$1" -k Return; }
alive() { kill -0 "$APP_PID" 2>/dev/null; }
# Locked: the program lives and its rain fills both outputs (a glyph in the lock's text or the
# rain would not tell locked from a plain window: the compositor gives the lock's surfaces the
# keys and shows nothing else, so the wrong password typed below reaches no one but the lock).
start --lock
wait_rain HEADLESS-1 locked
wait_rain HEADLESS-2 locked
run swaymsg create_output >/dev/null
e2e_poll 20 run sh -c 'swaymsg -t get_outputs | grep -q HEADLESS-3' || e2e_fail "no third output"
wait_rain HEADLESS-3 added
# The first output (the main lock surface's) gone and back rains again.
run swaymsg output HEADLESS-1 disable >/dev/null
sleep 1
run swaymsg output HEADLESS-1 enable >/dev/null
wait_rain HEADLESS-1 back
type_line "wrong-$PASSWORD"
sleep "$(e2e_seconds 5)"
alive || e2e_fail "a wrong password ended the lock"
run timeout 30 "$APP" --lock >"$E2E_DIR/second.log" 2>&1
status=$?
[ "$status" -eq 1 ] && [ "$(wc -l <"$E2E_DIR/second.log")" -eq 1 ] ||
    e2e_fail "a second lock while one holds the session ended with $status: $(cat "$E2E_DIR/second.log")"
alive || e2e_fail "a second lock ended the first"
program=$(pgrep -P "$APP_PID")  # below timeout, which would kill it after passing a signal on
# Ten thousand keys fill the bounded text; ten thousand more take no further memory.
resident() { awk '/^VmRSS:/ { print $2 }' "/proc/$program/status"; }
ten_thousand_keys() { run wtype -s 500 "$(printf 'x%.0s' $(seq 10000))"; sleep 1; }
ten_thousand_keys
full=$(resident)
ten_thousand_keys
again=$(resident)
e2e_log "resident after ten thousand keys $((full / 1024)) MiB, after ten thousand more $((again / 1024)) MiB"
# The sanitized program holds freed memory back in a quarantine, so its resident size drifts
# with the run itself; a text that grew with the keys would still take megabytes more.
margin=2048
[ -n "${E2E_SANITIZED:-}" ] && margin=16384
[ "$again" -le $((full + margin)) ] || e2e_fail "ten thousand keys more took $(((again - full) / 1024)) MiB more"
run wtype -s 500 -k Escape
alive || e2e_fail "ten thousand keys ended the lock"
for signal in TERM INT HUP; do kill -"$signal" "$program"; done
sleep 1
alive || e2e_fail "an end signal ended the lock"
wait_rain HEADLESS-1 signalled
# Killed: the session stays locked (no rain, nothing typed reaches the desktop) until a new
# lock takes over; the right password there unlocks it.
kill -KILL "$program"
e2e_poll 10 sh -c "! kill -0 $APP_PID 2>/dev/null" || e2e_fail "the killed lock did not end"
sleep 1
shows_rain HEADLESS-1 killed-HEADLESS-1 && e2e_fail "the killed lock's rain is still shown"
# sway shows a locked session whose locker died in plain red, never the desktop.
red=$(convert "$E2E_DIR/shots/killed-HEADLESS-1.png" -fx '(r > 0.5 && g < 0.2 && b < 0.2) ? 1 : 0' -format '%[fx:mean]' info: | tail -n 1)
e2e_at_least "$red" 0.95 || e2e_fail "the killed lock left the session shown ($red of it the compositor's locked red)"
[ "$SHOTS" = "$E2E_DIR" ] || cp "$E2E_DIR/shots/killed-HEADLESS-1.png" "$SHOTS/lock-killed-HEADLESS-1.png"
start --lock
wait_rain HEADLESS-1 taken-over
type_line "$PASSWORD"
e2e_poll 20 sh -c "! kill -0 $APP_PID 2>/dev/null" || e2e_fail "the right password did not unlock"
wait "$APP_PID"
status=$?
[ "$status" -eq 0 ] || e2e_fail "the unlocked program ended with $status, not 0"
# --daemonize returns once locked, and the lock goes on.
run timeout 60 "$APP" --lock --daemonize >>"$E2E_DIR/app.log" 2>&1 || e2e_fail "--lock --daemonize did not return 0"
wait_rain HEADLESS-2 daemonized
type_line "$PASSWORD"
e2e_poll 20 sh -c '! pgrep -u '"$USER_NAME"' -x glyphfall >/dev/null' || e2e_fail "the daemonized lock did not unlock"
e2e_log "PASS: locked on every output, only the right password unlocks, signals and a crash leave it locked"
