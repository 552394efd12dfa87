#!/usr/bin/env bash
# Sets up, builds and starts phasemeter.
#
# Without PHASEMETER_PORTS in the environment this is the demo: the built-in instrument simulator
# serves a meter on a pseudo-terminal and the program is pointed at it, so the scan finds it, the
# live view fills and the history view reads 25 stored records, with no hardware at hand.
# With PHASEMETER_PORTS set (for example PHASEMETER_PORTS=/dev/ttyUSB0), the program talks to the
# devices listed there instead: a real meter.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh release

program=(build/src/phasemeter)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run: no display found; starting phasemeter on a virtual screen (Xvfb)"
    program=(xvfb-run -a -s "-screen 0 1280x800x24" build/src/phasemeter)
fi

if [ -n "${PHASEMETER_PORTS+set}" ]; then
    echo "run: serial ports: ${PHASEMETER_PORTS:-(none)}"
    exec "${program[@]}"
fi

workdir=$(mktemp -d)
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$workdir"
}
trap cleanup EXIT INT TERM

build/tools/phasemeter-sim --link "$workdir/meter" --records 25 --delay 10 >"$workdir/sim.out" &
sim_pid=$!
for _ in $(seq 50); do
    [ -s "$workdir/sim.out" ] && break
    sleep 0.1
done
if [ ! -s "$workdir/sim.out" ]; then
    echo "run: the instrument simulator did not start" >&2
    exit 1
fi
echo "run: demo against the instrument simulator on $(readlink "$workdir/meter")"
PHASEMETER_PORTS="$workdir/meter" "${program[@]}"
