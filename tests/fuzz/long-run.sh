#!/usr/bin/env bash
# The settings-file reader under libFuzzer for ten million inputs (or as many as asked),
# starting from the real files in corpus/settings. Needs the sanitizer build that ./test
# makes (build-sanitize). Prints the executions, the time and what was found.
#
#   tests/fuzz/long-run.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-10000000}
fuzzer=build-sanitize/tests/fuzz/glyphfall_loaddata_fuzz
[ -x "$fuzzer" ] || { echo "build $fuzzer first (./test makes it)" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/glyphfall-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
start=$SECONDS
status=0
"$fuzzer" -runs="$runs" -rss_limit_mb=1024 -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work" tests/fuzz/corpus/settings >"$work/log" 2>&1 || status=$?
grep -E '^stat::(number_of_executed_units|peak_rss_mb|new_units_added)|^Done|ERROR|crash-' "$work/log" || true
echo "long fuzz run: $runs inputs asked for, $((SECONDS - start)) s, corpus grew to $(ls "$work" | grep -vc '^log$') inputs"
if [ "$status" -ne 0 ]; then
    echo "the fuzzer found a failure (status $status):"
    tail -n 40 "$work/log"
    cp "$work"/crash-* . 2>/dev/null && echo "the failing input is in $(pwd)"
fi
exit "$status"
