#!/usr/bin/env bash
# Sets up, builds and runs every test (under AddressSanitizer and UndefinedBehaviorSanitizer).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

# Tests never touch a real serial port or a real display.
export PHASEMETER_PORTS=""
export QT_QPA_PLATFORM=offscreen
# Qt wants a private runtime folder; root shells often have none.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

scripts/build.sh test


cd build-test
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
