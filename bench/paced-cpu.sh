#!/usr/bin/env bash
# CPU cost of the real, paced program at the defaults: starts a private Xvfb at 1920 x 1080,
# runs a copy of the program in screen-saver mode in a temporary folder (its settings file,
# runtime folder and home are private, so no real settings are touched), waits for its
# window, and reads the program's user + system CPU time from /proc over a span of wall
# time. Prints CPU-seconds per second, and the start-up time to the visible window.
#
#   bench/paced-cpu.sh [PROGRAM] [SECONDS]
#
# PROGRAM defaults to build/src/app/glyphfall, SECONDS to 30. Needs Xvfb and xdotool.
set -u

here=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$here/build/src/app/glyphfall}
span=${2:-30}
[ -x "$program" ] || { echo "no program at $program (build it first)" >&2; exit 1; }
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done

dir=$(mktemp -d "${TMPDIR:-/tmp}/glyphfall-paced.XXXXXX")
xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill -TERM "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill -TERM "$xvfb_pid" 2>/dev/null
    sleep 0.3
    [ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill -KILL "$xvfb_pid" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

export XDG_RUNTIME_DIR="$dir/run" HOME="$dir/home"
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$HOME" "$dir/bin"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

# The server picks a free display itself and writes its number to descriptor 3.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 200); do [ -s "$dir/display" ] && break; sleep 0.05; done
[ -s "$dir/display" ] || { echo "Xvfb did not start" >&2; cat "$dir/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$dir/display")"

cp "$program" "$dir/bin/glyphfall"
[ -f "$(dirname "$program")/tex.png" ] && cp "$(dirname "$program")/tex.png" "$dir/bin/"

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null; }

started=$(date +%s.%N)
"$dir/bin/glyphfall" /s >"$dir/app.log" 2>&1 &
app_pid=$!
shown=
for _ in $(seq 2000); do
    if xdotool search --onlyvisible --name '^Glyphfall$' >/dev/null 2>&1; then shown=$(date +%s.%N); break; fi
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.01
done
[ -n "$shown" ] || { echo "the program showed no window" >&2; cat "$dir/app.log" >&2; exit 1; }

sleep 2  # past the start-up work
before=$(cpu_ticks "$app_pid")
t0=$(date +%s.%N)
sleep "$span"
after=$(cpu_ticks "$app_pid")
t1=$(date +%s.%N)
[ -n "$before" ] && [ -n "$after" ] || { echo "the program ended early" >&2; cat "$dir/app.log" >&2; exit 1; }

awk -v s="$started" -v w="$shown" 'BEGIN { printf "start-up to visible window: %.3f s\n", w - s }'
awk -v a="$before" -v b="$after" -v hz="$ticks" -v t0="$t0" -v t1="$t1" \
    'BEGIN { printf "CPU over %.1f s: %.2f s, %.3f CPU-s per s\n", t1 - t0, (b - a) / hz, (b - a) / hz / (t1 - t0) }'
