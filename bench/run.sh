#!/usr/bin/env bash
# Runs the benchmarks of a built tree (session reading, graph redraw, data table, export, and
# the export beside libxlsxwriter where that was built) and measures the peak memory of
# vexlo-cli stats on a 1,000,000-sample thermocouple session and on event sessions of 1,000,000
# and 10,000,000 words, of vexlo-cli export on a 1,000,000-sample voltage session, the time of
# an export of 10,000,000 points, and, where xvfb-run and xdotool are there, the desktop
# program's start to its window and how long its window waits at most while it opens an event
# session of 10,000,000 words.
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
"$BUILD_DIR/bench/vexlo-make-session" event 1000000 "$tmp/e.vx"
/usr/bin/time -f "vexlo-cli stats, 1,000,000 event words: %M KB peak resident, %e s" "$BUILD_DIR/bin/vexlo-cli" stats "$tmp/e.vx" >/dev/null
"$BUILD_DIR/bench/vexlo-make-session" event 10000000 "$tmp/e10.vx"
/usr/bin/time -f "vexlo-cli stats, 10,000,000 event words: %M KB peak resident, %e s" "$BUILD_DIR/bin/vexlo-cli" stats "$tmp/e10.vx" >/dev/null
rm -f "$tmp"/*.xlsx "$tmp"/*.csv
"$BUILD_DIR/bench/vexlo-make-session" voltage 10000000 "$tmp/v10.vx"
/usr/bin/time -f "vexlo-cli export, 10,000,000 points: %M KB peak resident, %e s" "$BUILD_DIR/bin/vexlo-cli" export "$tmp/v10.vx" "$tmp/v10.xlsx" >/dev/null
if command -v xvfb-run >/dev/null && command -v xdotool >/dev/null; then
    "$(dirname "$0")/desktop_start.sh" "$BUILD_DIR"
    echo "desktop, a session of 10,000,000 event words:"
    xvfb-run -a -s "-screen 0 1600x1000x24" /usr/bin/time -f "  %M KB peak resident" \
        "$BUILD_DIR/bench/vexlo-window-hold" "$tmp/e10.vx"
else
    echo "desktop start not measured: xvfb-run or xdotool is missing" >&2
fi
