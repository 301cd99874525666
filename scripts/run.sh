#!/usr/bin/env bash
# Installs what is needed, builds, starts the transmitter simulator on
# 127.0.0.1:1502 and the configuration tool connected to it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
# Only what runs here: the tool (with its templates and catalogue) and the
# simulator; the test command builds the suites and benchmarks.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DR7_QT="${R7_QT:-5}"
cmake --build build -j "${JOBS:-2}" --target r7config r7sim

SIM_PORT=${R7SIM_PORT:-1502}
INI=build/setting.ini

# First run only: point the tool at the simulator. An existing setting.ini is
# the operator's own and is never touched.
if [ ! -e "$INI" ]; then
    cat > "$INI" <<INI
[R7]
connectType=1
EditHostIP=127.0.0.1
EditPort=$SIM_PORT
spinboxSlaveId=1
DwordFormat=0
timeoutSpinner=200
baudCombo=3
dataBitsCombo=1
parityCombo=0
stopBitsCombo=0
INI
    echo "run: wrote $INI for the simulator at 127.0.0.1:$SIM_PORT"
fi

./build/sim/r7sim --tcp "127.0.0.1:$SIM_PORT" &
SIM_PID=$!
trap 'kill "$SIM_PID" 2>/dev/null || true; wait "$SIM_PID" 2>/dev/null || true' EXIT

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run: no display; starting under xvfb-run"
    xvfb-run -a -s "-screen 0 1280x900x24" ./build/r7config
else
    ./build/r7config
fi
