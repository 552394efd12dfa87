#!/usr/bin/env bash
# Configures and builds one tree. Usage: scripts/build.sh release|test
#   release  build/       optimised, for running the program and the benchmarks
#   test     build-test/  warnings as errors, AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."

kind=${1:-release}
case "$kind" in
    release) dir=build; flags=(-DCMAKE_BUILD_TYPE=Release -DPHASEMETER_WERROR=OFF -DPHASEMETER_SANITIZE=OFF) ;;
    test) dir=build-test
          flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DPHASEMETER_WERROR=ON -DPHASEMETER_SANITIZE=ON) ;;
    *) echo "usage: $0 release|test" >&2; exit 2 ;;
esac

cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
