# End-to-end harness: the real program under a private X server, driven with xdotool. Every
# wait polls with a deadline (E2E_SCALE multiplies them) and everything started here is
# stopped on exit; a sanitizer report in the program's output fails the test.
# Needs Xvfb, xdotool, x11-utils and ImageMagick; GLYPHFALL_BIN names the program.
set -u

E2E_SCALE=${E2E_SCALE:-1}
E2E_PIDS=()
E2E_DIR=
XVFB_PID=
WM_PID=

e2e_log() { echo "[e2e $(date +%H:%M:%S.%N | cut -c1-12)] $*" >&2; }
e2e_fail() {
    e2e_log "FAIL: $*"
    [ -f "${E2E_DIR}/app.log" ] && { e2e_log "program output:"; sed 's/^/    /' "${E2E_DIR}/app.log" >&2; }
    exit 1
}
e2e_skip() { e2e_log "SKIP: $*"; exit 77; }
e2e_seconds() { awk -v s="$1" -v k="${E2E_SCALE}" 'BEGIN { printf "%d", s * k + 0.5 }'; }

e2e_cleanup() {
    local status=$? pid
    for pid in "${E2E_PIDS[@]}"; do kill -TERM "$pid" 2>/dev/null; done
    sleep 0.2
    for pid in "${E2E_PIDS[@]}" ${WM_PID}; do kill -KILL "$pid" 2>/dev/null; done
    if [ -n "${XVFB_PID}" ]; then  # given time to remove its lock file
        kill -TERM "${XVFB_PID}" 2>/dev/null
        for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "${XVFB_PID}" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "${XVFB_PID}" 2>/dev/null
    fi
    if [ -f "${E2E_DIR}/app.log" ] && grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:' "${E2E_DIR}/app.log"; then
        e2e_log "FAIL: the sanitizers reported:"
        sed 's/^/    /' "${E2E_DIR}/app.log" >&2
        status=1
    fi
    [ -n "${E2E_DIR}" ] && [ -z "${E2E_KEEP:-}" ] && rm -rf "${E2E_DIR}"
    exit "$status"
}

# Polls a command until it succeeds or the deadline (seconds) passes.
e2e_poll() {
    local end=$((SECONDS + $(e2e_seconds "$1")))
    shift
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -ge "$end" ] && return 1
        sleep 0.1
    done
}

# A private X server and folders, with the cleanup trap; no program yet.
e2e_start_x() {
    for tool in Xvfb xdotool xprop xwininfo import; do
        command -v "$tool" >/dev/null || e2e_skip "$tool is not installed (scripts/install-deps --test installs it)"
    done
    E2E_DIR=$(mktemp -d "${TMPDIR:-/tmp}/glyphfall-e2e.XXXXXX")
    SHOTS="${E2E_SCREENSHOT_DIR:-$E2E_DIR}"
    trap e2e_cleanup EXIT
    trap 'exit 1' INT TERM
    # The one-instance lock lives in the runtime folder, and nothing installed on this machine
    # may stand in for the copy under test: every folder the program looks in is private.
    export XDG_RUNTIME_DIR="${E2E_DIR}/run" HOME="${E2E_DIR}/home" QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1
    export XDG_CONFIG_DIRS="${E2E_DIR}/etc-xdg" XDG_DATA_DIRS="${E2E_DIR}/share"
    unset WAYLAND_DISPLAY XDG_CONFIG_HOME XDG_DATA_HOME
    mkdir -m 700 "${XDG_RUNTIME_DIR}"
    mkdir -p "${HOME}"
    # The server picks a free display number itself and writes it to the given descriptor.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"${E2E_DIR}/display" \
        >"${E2E_DIR}/xvfb.log" 2>&1 &
    XVFB_PID=$!
    e2e_poll 20 test -s "${E2E_DIR}/display" || e2e_fail "Xvfb did not start: $(cat "${E2E_DIR}/xvfb.log")"
    export DISPLAY=":$(head -n1 "${E2E_DIR}/display")"
    e2e_poll 20 xwininfo -root || e2e_fail "the X server on ${DISPLAY} does not answer"
    e2e_log "Xvfb on ${DISPLAY}, folder ${E2E_DIR}"
}

e2e_start_wm() {  # a window manager on the private server (openbox: a real one from Debian)
    command -v "$1" >/dev/null || e2e_skip "$1 is not installed (scripts/install-deps --test installs it)"
    # With the system's folders: without its configuration and theme openbox ends at once.
    XDG_CONFIG_DIRS=/etc/xdg XDG_DATA_DIRS=/usr/local/share:/usr/share "$1" >"${E2E_DIR}/wm.log" 2>&1 &
    WM_PID=$!
    e2e_poll 10 sh -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" && sleep 0.5 && e2e_running "$WM_PID" ||
        e2e_fail "$1 did not start: $(cat "${E2E_DIR}/wm.log")"
}

# The X server plus a private copy of the program ($APP): its settings file is written beside it.
e2e_setup() {
    [ -x "${GLYPHFALL_BIN:-}" ] || e2e_fail "GLYPHFALL_BIN does not name the built program"
    e2e_start_x
    mkdir -p "${E2E_DIR}/bin"
    cp "${GLYPHFALL_BIN}" "$(dirname "${GLYPHFALL_BIN}")/tex.png" "${E2E_DIR}/bin/"
    APP="${E2E_DIR}/bin/glyphfall"
    INI="${E2E_DIR}/bin/glyphfall.ini"
    export GLYPHFALL_FRAME_LOG="${E2E_DIR}/frames.log"
}

# The program's own count (GLYPHFALL_FRAME_LOG), a line a second: "frames F steps S timer|swap".
# The last N lines counted no frame: nothing was drawn for N seconds.
e2e_undrawn_for() { [ "$(tail -n "$1" "$GLYPHFALL_FRAME_LOG" 2>/dev/null | awk '$2 == 0' | wc -l)" -eq "$1" ]; }
e2e_wait_undrawn() {  # seconds what
    e2e_poll 20 e2e_undrawn_for "$1" || e2e_fail "$2: still drawing ($(tail -n 3 "$GLYPHFALL_FRAME_LOG" | tr '\n' ';'))"
}
# No second of the run had more frames than the rate allows, nor more than the rain's 20 steps
# (a line may take in a frame of the next second): never a burst to catch up.
e2e_check_frame_log() {  # rate what
    awk -v rate="$1" '$2 > rate + 1 || $4 > 21 { bad = bad NR ": " $0 "; " } END { if (bad) { print bad; exit 1 } }' \
        "$GLYPHFALL_FRAME_LOG" >"${E2E_DIR}/frames.bad" || e2e_fail "$2: frame log: $(cat "${E2E_DIR}/frames.bad")"
}

# Writes a settings file from KEY=TEXT pairs, as a hand edit could.
e2e_write_settings() {  # file KEY=TEXT...
    local file=$1 pair key text
    shift
    e2e_le32 $(($# - 1)) >"$file"
    for pair in "$@"; do
        key=${pair%%=*}
        text=${pair#*=}
        { e2e_le16 ${#key}; printf '%s' "$key"; e2e_le16 0; e2e_le16 ${#text}; printf '%s' "$text"; } >>"$file"
    done
}
e2e_le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
e2e_le32() { e2e_le16 $(($1 & 65535)); e2e_le16 $(($1 >> 16 & 65535)); }

# The settings file ($INI unless given first) holds the program's 17 records, and each
# KEY=TEXT as given (the program writes plain ASCII values).
e2e_expect_settings() {  # [file] KEY=TEXT...
    local file=${INI:-} pair got
    [[ "${1:-}" == *=* ]] || { file=${1:-$file}; shift; }
    [ -f "$file" ] || e2e_fail "no settings file $file was written"
    [ "$(od -An -t d4 -N4 "$file" | tr -d ' ')" = 16 ] || e2e_fail "the settings file does not hold 17 records"
    for pair in "$@"; do
        got=$(grep -aoP "${pair%%=*}\x00\x00..\K[-#0-9A-Za-z.]+" "$file" | head -n1)
        [ "$got" = "${pair#*=}" ] || e2e_fail "the settings file holds ${pair%%=*} = \"$got\", not \"${pair#*=}\""
    done
}

# Opens the menu with a right click (no --sync: it waits in vain when the pointer is already
# there) and types the keys into it; waits until the menu is gone.
e2e_menu() {  # keys...
    xdotool mousemove 300 200 sleep 0.1 click 3
    e2e_wait_window '^Popup' 15
    sleep 0.3
    xdotool windowfocus --sync "$WINDOW" key --delay 60 "$@"
    e2e_wait_no_window '^Popup' 10
}
# Keys for the menu's items: Down to move (separators are skipped), Right to open, Return.
E2E_MENU_SETUP_BOUNCING=(Down Down Down Right Down Return)
E2E_MENU_SELECT_COUNT=(Down Down Down Down Down Down Return)
E2E_MENU_LONG=(Down Down Down Down Down Down Down Right Down Down Return)
E2E_MENU_LEADERS_MANY=(Down Down Down Down Down Down Down Down Down Right Down Down Down Down Down Return)
E2E_MENU_USER_COLOR=(Down Down Down Down Down Down Down Down Down Down Right Down Down Down Down Down Down Down Down Return)
E2E_MENU_STAY_BACK=(Down Down Down Down Down Down Down Down Down Down Down Right Return)
E2E_MENU_KEY_HELP=(Down Down Down Down Down Down Down Down Down Down Down Down Return)

# Waits for a dialog titled exactly TITLE, types the answer into it and presses Return.
e2e_answer() {  # title text
    e2e_wait_window "^$1\$" 20
    e2e_screenshot "$SHOTS/dialog-${1// /-}.png"
    xdotool windowfocus --sync "$WINDOW" key ctrl+a BackSpace
    [ -n "$2" ] && xdotool type --delay 30 "$2"
    xdotool key Return
    e2e_wait_no_window "^$1\$" 10
}

# Starts the program with the given arguments, bounded by a hard time limit; its PID in $APP_PID.
# timeout hands on a signal sent to it and kills the program when it has not ended -k seconds
# later: that grace scales as the waits do (a sanitized program's leak check at its end takes
# seconds on a loaded machine).
e2e_start() {
    rm -f "${GLYPHFALL_FRAME_LOG:-}"  # the new run's count only
    timeout -k "$(e2e_seconds 3)" "$(e2e_seconds 120)" "${APP}" "$@" >>"${E2E_DIR}/app.log" 2>&1 &
    APP_PID=$!
    E2E_PIDS+=("$APP_PID")
    e2e_log "started glyphfall $* as ${APP_PID}"
}
e2e_start_window() {  # and waits for its full-screen window
    e2e_start "$@"
    e2e_wait_window '^Glyphfall$' 30
}

# Runs a command to its end; fails unless it ends with the status expected. Its output in $OUTPUT.
e2e_run() {  # status what command...
    local expected=$1 what=$2 status=0
    shift 2
    OUTPUT=$("$@" 2>&1) || status=$?
    printf '%s\n' "$OUTPUT" >>"${E2E_DIR}/app.log"
    [ "$status" -eq "$expected" ] || e2e_fail "$what: status $status, not $expected: $OUTPUT"
}

# Visible windows whose name matches the pattern; waits for one (its id in $WINDOW) or none.
e2e_windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null; }
e2e_has_window() { [ -n "$(e2e_windows "$1")" ]; }
e2e_no_window() { ! e2e_has_window "$1"; }
e2e_window_count() { [ "$(e2e_windows "$1" | wc -l)" -eq "$2" ]; }
e2e_wait_window() {
    e2e_poll "${2:-20}" e2e_has_window "$1" || e2e_fail "no visible window named /$1/ appeared"
    WINDOW=$(e2e_windows "$1" | tail -n1)
}
e2e_wait_no_window() { e2e_poll "${2:-10}" e2e_no_window "$1" || e2e_fail "window /$1/ is still shown"; }

# A child that has ended but is not yet reaped still answers kill -0, so ask ps.
e2e_ended() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null)
    [ -z "$state" ] || [[ "$state" == Z* ]]
}
e2e_running() { ! e2e_ended "$1"; }

# Waits for the process to end, and fails unless its status is the one given.
e2e_expect_exit() {  # pid seconds status what
    e2e_poll "$2" e2e_ended "$1" || e2e_fail "$4: process $1 did not end within $(e2e_seconds "$2") s"
    EXIT_STATUS=0
    wait "$1" || EXIT_STATUS=$?
    [ "$EXIT_STATUS" -eq "$3" ] && return 0
    # LeakSanitizer's own tracer now and then crashes while it stops the threads for the
    # check at the end (the renderer's and the toolkit's threads are still there): a fault of
    # the tool, which ends the process with 1, not a leak it found. The run's other checks
    # stand; its end status says nothing then.
    if grep -q 'LeakSanitizer has encountered a fatal error' "${E2E_DIR}/app.log" 2>/dev/null; then
        e2e_log "$4: status $EXIT_STATUS after LeakSanitizer's tracer failed; not held against the program"
        return 0
    fi
    e2e_fail "$4: ended with status $EXIT_STATUS, not $3"
}

e2e_key() {  # without a window manager the test gives the focus itself
    [ -n "${WINDOW:-}" ] && xdotool windowfocus --sync "$WINDOW" 2>/dev/null
    xdotool key "$@"
}

# Presses the key every few seconds until the program ends (a key can be lost while the
# window is still taking the focus on a busy machine), which must be with the status given.
e2e_key_ends() {  # key status
    local end=$((SECONDS + $(e2e_seconds 30)))
    while e2e_running "$APP_PID"; do
        [ "$SECONDS" -ge "$end" ] && e2e_fail "the program did not end on $1"
        e2e_key "$1"
        e2e_poll 3 e2e_ended "$APP_PID" && break
    done
    e2e_expect_exit "$APP_PID" 1 "$2" "$1"
}

e2e_screenshot() { import -window root "$1" && e2e_log "screenshot $1"; }

# Share (0..1) of a screenshot's area that is clearly green: the rain's colour. (ImageMagick 7
# prints a line "list" before an -fx result: every such measure takes the last line.)
e2e_green_share() {
    convert "$1" -scale 25% -fx '(g > 0.05 && g > 2 * r && g > 2 * b) ? 1 : 0' -format '%[fx:mean]' info: | tail -n 1
}
e2e_at_least() { awk -v s="$1" -v m="$2" 'BEGIN { exit !(s >= m) }'; }

# Waits until the screen shows green rain over at least the given share of its area.
e2e_wait_green() {  # share seconds screenshot
    local end=$((SECONDS + $(e2e_seconds "$2"))) share=0
    while [ "$SECONDS" -lt "$end" ]; do
        import -window root "$3"
        share=$(e2e_green_share "$3")
        e2e_at_least "$share" "$1" && return 0
        sleep 0.5
    done
    e2e_fail "no green rain on screen: green share $share, wanted $1"
}

e2e_geometry() {  # of a window, as "WIDTHxHEIGHT+X+Y"
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /Width:/ {w=$2} /Height:/ {h=$2} END {printf "%sx%s+%s+%s\n", w, h, x, y}'
}
