#!/bin/sh
# Runs every fuzz target for a bounded time from the seed corpus (plus what earlier
# runs on this machine found) and fails on any crash, leak, timeout or sanitizer
# report. Each failing input is written to fuzz/regressions/ as hex, where the
# ordinary test suite picks it up; commit it with the fix.
# Usage: tools/run-fuzzers.sh BUILD_DIR/fuzz [SECONDS_PER_TARGET]
set -u
bin=$1
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
work="$root/fuzz/corpus-run"
mkdir -p "$work/artifacts"
status=0

for target in open_read convert host_params differential; do
    case $target in
    host_params) seeds="$bin/seeds/command_line" ;;
    *) seeds="$bin/seeds/audio" ;;
    esac
    corpus="$work/$target"
    log="$work/$target.log"
    mkdir -p "$corpus"
    "$bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$work/artifacts/$target-" \
        "$corpus" "$seeds" >"$log" 2>&1
    rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | sed 's/cov: //')
    echo "fuzz_$target: ${runs:-?} executions in ${seconds} s, ${cov:-?} edges covered, exit $rc"
    if [ "$rc" -ne 0 ]; then
        status=1
        tail -n 40 "$log"
        for artifact in "$work/artifacts/$target-"*; do
            [ -f "$artifact" ] || continue
            name=$(basename "$artifact" | sed 's/^[a-z_]*-//')
            out="$root/fuzz/regressions/$target-$name.hex"
            { echo "# found by fuzz_$target"; od -An -v -tx1 "$artifact" | tr -s ' \n' ' ' | fold -w 96; echo; } >"$out"
            echo "kept as $out"
            rm -f "$artifact"
        done
    fi
done
exit $status
