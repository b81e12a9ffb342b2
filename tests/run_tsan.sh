#!/usr/bin/env bash
# The tests whose code runs on more than one thread (the link's worker, the downloads, the
# firmware upgrade, the mount watch, the export's compressor pool), under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-tsan}
cmake -S . -B "$BUILD_DIR" -G Ninja -DVEXLO_TSAN=ON -DVEXLO_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" --parallel "$(nproc)" --target vexlo_unit_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp"
export QT_QPA_PLATFORM=offscreen TZ=Europe/Paris LC_ALL=fr_FR.UTF-8
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
filter='InstComm*:StalledLink.*:LinkTransfer*:MonitorTest.*:MonitorWithEmulator.*'
filter+=':FlashUpgrade*:SlowFlashUpgradeTest.*:AroundTheResendDelay/*:FirmwareTest.*'
filter+=':Download.*:OperationsWithEmulatedLogger.*:RawDump*:Zip*:SessionExport*'
"$BUILD_DIR/tests/vexlo_unit_tests" --gtest_filter="$filter"
