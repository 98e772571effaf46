#!/usr/bin/env bash
# CPU cost of the real, paced program at the defaults: starts a private Xvfb at 1920 x 1080,
# runs a copy of the program in screen-saver mode in a temporary folder (its settings file,
# runtime folder and home are private, so no real settings are touched), waits for its
# window, and reads the program's user and system CPU time from /proc over a span of wall
# time. Prints CPU-seconds per second (user and system apart: copying frames to the X
# server shows as system time) and the start-up time to the visible window, for each run,
# then the median over the runs. Each run measures every mode in turn, side by side: the
# classic 20 frames a second, smooth motion at 60 (--fps 60), and hidden: the classic program
# with its window unmapped (as a window manager does with a minimised window), which draws
# nothing.
#
#   bench/paced-cpu.sh [PROGRAM] [SECONDS] [RUNS] [MODES]
#
# PROGRAM defaults to build/src/app/glyphfall, SECONDS to 30, RUNS to 1, MODES to
# "classic smooth hidden" (any of them alone measures one). Needs Xvfb and xdotool. Each
# measurement starts its own X server and program.
set -u

here=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$here/build/src/app/glyphfall}
span=${2:-30}
runs=${3:-1}
read -r -a modes <<<"${4:-classic smooth hidden}"
mode_arguments() { case $1 in classic | hidden) ;; smooth) echo --fps 60 ;; *) echo "unknown mode $1" >&2; exit 1 ;; esac; }
[ -x "$program" ] || { echo "no program at $program (build it first)" >&2; exit 1; }
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done

dir=
xvfb_pid=
app_pid=
stop() {
    [ -n "$app_pid" ] && kill -TERM "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill -TERM "$xvfb_pid" 2>/dev/null
    sleep 0.3
    [ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill -KILL "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    [ -n "$dir" ] && rm -rf "$dir"
    dir= app_pid= xvfb_pid=
}
trap stop EXIT
trap 'exit 1' INT TERM

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14, $15 }' "/proc/$1/stat" 2>/dev/null; }

# One run of a mode: sets result to "CPU-S-PER-S USER SYSTEM STARTUP". Not run in a
# subshell, so that stop sees the processes it started.
result=
measure() {
    local -a extra
    read -r -a extra <<<"$(mode_arguments "$1")"
    dir=$(mktemp -d "${TMPDIR:-/tmp}/glyphfall-paced.XXXXXX")
    export XDG_RUNTIME_DIR="$dir/run" HOME="$dir/home"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    mkdir -p "$HOME" "$dir/bin"
    unset WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=xcb

    # The server picks a free display itself and writes its number to descriptor 3.
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 200); do [ -s "$dir/display" ] && break; sleep 0.05; done
    [ -s "$dir/display" ] || { echo "Xvfb did not start" >&2; cat "$dir/xvfb.log" >&2; return 1; }
    export DISPLAY=":$(head -n1 "$dir/display")"

    cp "$program" "$dir/bin/glyphfall"
    [ -f "$(dirname "$program")/tex.png" ] && cp "$(dirname "$program")/tex.png" "$dir/bin/"

    local started shown= window=
    started=$(date +%s.%N)
    "$dir/bin/glyphfall" /s "${extra[@]}" >"$dir/app.log" 2>&1 &
    app_pid=$!
    for _ in $(seq 2000); do
        window=$(xdotool search --onlyvisible --name '^Glyphfall$' 2>/dev/null | head -n1)
        if [ -n "$window" ]; then shown=$(date +%s.%N); break; fi
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.01
    done
    [ -n "$shown" ] || { echo "the program showed no window" >&2; cat "$dir/app.log" >&2; return 1; }
    [ "$1" = hidden ] && xdotool windowunmap --sync "$window"

    sleep 2  # past the start-up work
    local before after t0 t1
    before=$(cpu_ticks "$app_pid")
    t0=$(date +%s.%N)
    sleep "$span"
    after=$(cpu_ticks "$app_pid")
    t1=$(date +%s.%N)
    [ -n "$before" ] && [ -n "$after" ] || { echo "the program ended early" >&2; cat "$dir/app.log" >&2; return 1; }
    result=$(awk -v b="$before" -v a="$after" -v hz="$ticks" -v t0="$t0" -v t1="$t1" -v s="$started" -v w="$shown" 'BEGIN {
        split(b, x, " "); split(a, y, " "); d = t1 - t0
        printf "%.3f %.3f %.3f %.3f\n", (y[1] - x[1] + y[2] - x[2]) / hz / d, (y[1] - x[1]) / hz / d, (y[2] - x[2]) / hz / d, w - s }')
}

declare -A results
for run in $(seq "$runs"); do
    for mode in "${modes[@]}"; do
        mode_arguments "$mode" >/dev/null || exit 1
        measure "$mode" || exit 1
        stop
        results[$mode]+="$result"$'\n'
        echo "$result" | awk -v r="$run" -v m="$mode" -v span="$span" '{ printf "run %d, %s: %.3f CPU-s per s over %s s (user %.3f, system %.3f); start-up to visible window %.3f s\n", r, m, $1, span, $2, $3, $4 }'
    done
done
if [ "$runs" -gt 1 ]; then
    for mode in "${modes[@]}"; do
        printf '%s' "${results[$mode]}" | sort -n | awk -v m="$mode" '{ v[NR] = $1 } END { printf "median of %d runs, %s: %.3f CPU-s per s\n", NR, m, (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
    done
fi
