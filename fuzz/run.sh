#!/usr/bin/env bash
# Builds the fuzz targets in build-fuzz/ (clang, libFuzzer, ASan, UBSan) and runs them side by
# side for SECONDS each (default 60), every target from the seeds the test builders write, its
# corpus kept in build-fuzz/corpus/TARGET between runs. Fails when any target reports a crash,
# a timeout, a leak or a sanitizer error (see build-fuzz/logs/ and build-fuzz/artifacts/).
#   fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-60}
shift || true
BUILD=${FUZZ_BUILD_DIR:-build-fuzz}
ALL=(fuzz_session_image fuzz_status_text fuzz_config_text fuzz_intel_hex fuzz_versions_file
     fuzz_first_chunk fuzz_raw_dump)
TARGETS=("$@")
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=("${ALL[@]}")

if [ ! -f "$BUILD/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DVEXLO_FUZZ=ON >/dev/null
fi
cmake --build "$BUILD" --parallel "$(nproc)" --target vexlo_fuzz_seeds "${TARGETS[@]}"

"$BUILD/bin/vexlo_fuzz_seeds" "$BUILD/seeds"
mkdir -p "$BUILD/logs" "$BUILD/artifacts"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
pids=()
for t in "${TARGETS[@]}"; do
    mkdir -p "$BUILD/corpus/$t"
    extra=()
    [ -f "fuzz/$t.dict" ] && extra=(-dict="fuzz/$t.dict")
    # Inputs long enough for a second chunk of the copy (32768 bytes each), and for a session
    # file with a parameter block and a few dozen data blocks.
    case $t in
        fuzz_first_chunk | fuzz_raw_dump) extra+=(-max_len=70000) ;;
        fuzz_session_image) extra+=(-max_len=16384) ;;
    esac
    "$BUILD/bin/$t" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$BUILD/artifacts/$t-" "${extra[@]}" \
        "$BUILD/corpus/$t" "$BUILD/seeds/$t" >"$BUILD/logs/$t.log" 2>&1 &
    pids+=($!)
done
failed=0
for i in "${!TARGETS[@]}"; do
    t=${TARGETS[$i]}
    if wait "${pids[$i]}"; then
        echo "$t: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$BUILD/logs/$t.log" | tail -1)"
    else
        echo "$t: ÉCHEC, voir $BUILD/logs/$t.log" >&2
        tail -n 30 "$BUILD/logs/$t.log" >&2
        failed=1
    fi
done
exit $failed
