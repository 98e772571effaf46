#!/usr/bin/env bash
# The start-up on Wayland: from the program's start to the first frame on every output, for
# "--background" (Qt's Wayland plugin) and "--root" (the hosted background, no toolkit) on two
# 1920 x 1080 outputs of a headless sway (run by an unprivileged user when started as root; sway
# refuses root) with the pixman renderer, on Mesa's software renderer. A frame counts as shown
# at the first buffer attached to each layer surface, read from WAYLAND_DEBUG's time stamps.
#
#   bench/wayland-start.sh [PROGRAM] [RUNS]
#
# PROGRAM defaults to build/src/app/glyphfall (tex.png beside it), RUNS to 5; each run starts a
# fresh compositor and takes both ways in turn. Prints every run's figure, then the median.
# Budget: at most 0.5 s for either way.
set -u

here=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$here/build/src/app/glyphfall}
runs=${2:-5}
[ -x "$program" ] || { echo "no program at $program (build it first)" >&2; exit 1; }
for tool in sway setpriv; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/install-deps --test)" >&2; exit 1; }
done

dir=$(mktemp -d "${TMPDIR:-/tmp}/glyphfall-wayland-start.XXXXXX")
. "$here/bench/wayland-sandbox.sh"

sway_up() {
    printf 'output HEADLESS-1 mode 1920x1080 position 0 0\noutput HEADLESS-2 mode 1920x1080 position 1920 0\n' >"$dir/sway.conf"
    (wl env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 \
        sway -c "$dir/sway.conf") >"$dir/sway.log" 2>&1 &
    sway_pid=$!
    pids+=("$sway_pid")
    for _ in $(seq 100); do [ -S "$dir/run/wayland-1" ] && return 0; sleep 0.1; done
    echo "sway did not start" >&2
    exit 1
}
sway_down() { kill -TERM "$sway_pid"; wait "$sway_pid" 2>/dev/null; rm -f "$dir/run/"*; }

# Seconds from the start to the first buffer on the last of the layer surfaces (the rain's, and
# with Qt its click catchers'), how many had one, and the seconds to the first of them. WAYLAND_DEBUG stamps every message with the
# wall clock's milliseconds (32 bits of microseconds), which the start is read in too.
first_frames() {  # start log
    awk -v start="$1" -F'[][]' '
        /get_layer_surface\(new id zwlr_layer_surface_v1/ { match($0, /wl_surface@[0-9]+/); layer[substr($0, RSTART, RLENGTH)] = 1 }
        /-> wl_surface@[0-9]+\.attach\(wl_buffer/ {
            match($0, /wl_surface@[0-9]+/); s = substr($0, RSTART, RLENGTH)
            if ((s in layer) && !(s in first)) { first[s] = $2; n++ }
        }
        END {
            last = 0; earliest = -1
            for (s in first) {
                t = first[s] * 1000 - start
                if (t > last) last = t
                if (earliest < 0 || t < earliest) earliest = t
            }
            printf "%.3f %d %.3f\n", last / 1e6, n, earliest / 1e6
        }' "$2"
}
startup() {  # surfaces expected, then the program's arguments
    local start app expected=$1 shown=0
    shift
    start=$(( $(date +%s%6N) % 4294967296 ))
    (wl env WAYLAND_DEBUG=client timeout 60 "$dir/bin/glyphfall" "$@") >"$dir/debug.log" 2>&1 &
    app=$!
    pids+=("$app")
    for _ in $(seq 300); do
        sleep 0.1
        read -r _ shown _ < <(first_frames "$start" "$dir/debug.log")
        [ "$shown" -ge "$expected" ] && break
    done
    sleep 0.5
    kill -TERM "$app" 2>/dev/null
    wait "$app" 2>/dev/null
    first_frames "$start" "$dir/debug.log"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$dir/background" && : >"$dir/root"
for run in $(seq "$runs"); do
    sway_up
    read -r background surfaces earliest < <(startup 4 --background)
    echo "run $run  --background $background s ($surfaces layer surfaces with a frame, the first at $earliest s)"
    echo "$background" >>"$dir/background"
    read -r root surfaces earliest < <(startup 2 --root)
    echo "run $run  --root       $root s ($surfaces layer surfaces with a frame, the first at $earliest s)"
    echo "$root" >>"$dir/root"
    sway_down
done
echo "median  --background $(median <"$dir/background") s, --root $(median <"$dir/root") s to the first frame on both outputs"
