#!/usr/bin/env bash
# Runs the benchmarks of a built tree and measures the peak memory of vexlo-cli stats on a
# 1,000,000-sample thermocouple session.
set -euo pipefail
BUILD_DIR=${1:-build}
"$BUILD_DIR/bench/vexlo_bench_session" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$BUILD_DIR/bench/vexlo-make-session" thermocouple 1000000 "$tmp/tc.vx"
/usr/bin/time -f "vexlo-cli stats: %M KB peak resident, %e s" "$BUILD_DIR/bin/vexlo-cli" stats "$tmp/tc.vx" >/dev/null
