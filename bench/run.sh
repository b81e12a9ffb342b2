#!/usr/bin/env bash
# Runs the benchmarks of a built tree (session reading, graph redraw, data table) and measures the peak memory of vexlo-cli stats on a
# 1,000,000-sample thermocouple session.
set -euo pipefail
BUILD_DIR=${1:-build}
for bench in session graph table export; do
    "$BUILD_DIR/bench/vexlo_bench_$bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$BUILD_DIR/bench/vexlo-make-session" thermocouple 1000000 "$tmp/tc.vx"
/usr/bin/time -f "vexlo-cli stats: %M KB peak resident, %e s" "$BUILD_DIR/bin/vexlo-cli" stats "$tmp/tc.vx" >/dev/null
