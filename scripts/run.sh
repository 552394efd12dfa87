#!/usr/bin/env bash
# Sets up, builds and starts phasemeter.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh release

# Never let the scan wander onto the machine's own serial console: unless told otherwise, the
# program sees no serial port at all.
export PHASEMETER_PORTS="${PHASEMETER_PORTS-}"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run: no display found; starting phasemeter on a virtual screen (Xvfb)"
    exec xvfb-run -a -s "-screen 0 1280x800x24" build/src/phasemeter
fi
exec build/src/phasemeter
