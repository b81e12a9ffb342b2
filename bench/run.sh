#!/usr/bin/env bash
# Runs the benchmarks of a built tree (session reading, graph redraw, data table, export, and
# the export beside libxlsxwriter where that was built) and measures the peak memory of
# vexlo-cli stats on a 1,000,000-sample thermocouple session and of vexlo-cli export on a
# 1,000,000-sample voltage session.
set -euo pipefail
BUILD_DIR=${1:-build}
for bench in session graph table export csv; do
    "$BUILD_DIR/bench/vexlo_bench_$bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
done
if [ -x "$BUILD_DIR/bench/vexlo_bench_export_compare" ]; then
    "$BUILD_DIR/bench/vexlo_bench_export_compare"
else
    echo "vexlo_bench_export_compare not built: libxlsxwriter-dev is not installed" >&2
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$BUILD_DIR/bench/vexlo-make-session" thermocouple 1000000 "$tmp/tc.vx"
/usr/bin/time -f "vexlo-cli stats: %M KB peak resident, %e s" "$BUILD_DIR/bin/vexlo-cli" stats "$tmp/tc.vx" >/dev/null
"$BUILD_DIR/bench/vexlo-make-session" voltage 1000000 "$tmp/v.vx"
/usr/bin/time -f "vexlo-cli export: %M KB peak resident, %e s" "$BUILD_DIR/bin/vexlo-cli" export "$tmp/v.vx" "$tmp/v.xlsx" >/dev/null
/usr/bin/time -f "vexlo-cli export csv: %M KB peak resident, %e s" "$BUILD_DIR/bin/vexlo-cli" export "$tmp/v.vx" "$tmp/v.csv" >/dev/null
