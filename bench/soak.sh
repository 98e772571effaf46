#!/usr/bin/env bash
# Long soak runs of the program's own start-up and main loop, with logo texts, random colours
# and random movement on: one million frames at the default 151 columns on the capture device
# (every device call made and checked, nothing rasterised, so the memory is the program's
# own), then ten thousand frames at 100,001 columns on the headless GL device with the
# rasteriser off (their five million triangles would take Mesa's software rasteriser seconds
# a frame). Each prints its time, its resident memory and any report, and fails when the resident
# memory over the last fifth of the run lies 1 MB or more above its settled value (a leak
# keeps what it took; a passing peak is given back).
#
#   bench/soak.sh [FRAMES] [BIG_FRAMES]
set -euo pipefail
cd "$(dirname "$0")/.."
# One malloc arena: glibc otherwise gives the software renderer's threads arenas of their
# own as they first contend, and each adds tens of megabytes of resident memory once, at a
# moment that depends on timing; that would hide or mimic a leak of the program's.
export MALLOC_ARENA_MAX=1
cmake --build build --target glyphfall_soak >/dev/null
soak=build/bench/glyphfall_soak
"$soak" --frames "${1:-1000000}" --count 150 --device capture --settle 10000
"$soak" --frames "${2:-10000}" --count 100000 --device gl-no-raster --settle 1000
