#!/usr/bin/env bash
# The program on Wayland under headless sway (run by an unprivileged user when started as root;
# sway refuses root), on Mesa's software renderer: CPU-seconds per second of
#   window      the ordinary full-screen window (Qt's Wayland plugin), one 1920 x 1080 output
#   background  "--background": the rain on that output's background layer
#   covered     the same under a fullscreen terminal (the compositor sends no frame callbacks)
# (the start-up on two outputs: bench/wayland-start.sh).
#
#   bench/wayland-cpu.sh [PROGRAM] [SECONDS]
#
# PROGRAM defaults to build/src/app/glyphfall, SECONDS to 20. Budgets: background within 10 %
# of window, covered at most 0.01.
set -u

here=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$here/build/src/app/glyphfall}
span=${2:-20}
[ -x "$program" ] || { echo "no program at $program (build it first)" >&2; exit 1; }
for tool in sway swaymsg foot setpriv; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/install-deps --test)" >&2; exit 1; }
done

dir=$(mktemp -d "${TMPDIR:-/tmp}/glyphfall-wayland-bench.XXXXXX")
. "$here/bench/wayland-sandbox.sh"

sway_up() {  # outputs
    printf 'output HEADLESS-1 mode 1920x1080 position 0 0\n' >"$dir/sway.conf"
    (wl env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS="$1" WLR_LIBINPUT_NO_DEVICES=1 \
        sway -c "$dir/sway.conf") >"$dir/sway.log" 2>&1 &
    sway_pid=$!
    pids+=("$sway_pid")
    for _ in $(seq 100); do [ -S "$dir/run/sway.sock" ] && return 0; sleep 0.1; done
    echo "sway did not start" >&2
    exit 1
}
sway_down() { kill -TERM "$sway_pid"; wait "$sway_pid" 2>/dev/null; rm -f "$dir/run/"*; }

cpu() { awk -v t="$(getconf CLK_TCK)" '{ printf "%.3f", ($14 + $15) / t }' "/proc/$1/stat"; }
# CPU-s per s of the program (below timeout) over the span.
measure() {
    local program_pid before
    sleep 3  # past the start-up work
    program_pid=$(pgrep -P "$1" -x glyphfall || echo "$1")
    before=$(cpu "$program_pid")
    sleep "$span"
    awk -v a="$before" -v b="$(cpu "$program_pid")" -v s="$span" 'BEGIN { printf "%.4f", (b - a) / s }'
}
run_program() {  # arguments; its PID in $app
    (wl timeout 600 "$dir/bin/glyphfall" "$@") >>"$dir/app.log" 2>&1 &
    app=$!
    pids+=("$app")
}
end_program() { kill -TERM "$app"; wait "$app" 2>/dev/null; }

sway_up 1
run_program --no-background
window=$(measure "$app")
end_program
run_program --background
background=$(measure "$app")
(wl swaymsg 'exec foot sleep 600') >/dev/null
sleep 2
(wl swaymsg '[app_id=foot] fullscreen enable') >/dev/null
covered=$(measure "$app")
end_program
sway_down

echo "window      $window CPU-s per s"
echo "background  $background CPU-s per s"
echo "covered     $covered CPU-s per s"
