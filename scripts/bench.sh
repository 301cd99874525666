#!/usr/bin/env bash
# Builds an optimised tree and runs the benchmarks; figures go to stdout.
# The results are written down in docs/benchmarks.md.
set -euo pipefail
cd "$(dirname "$0")/.."

R7_BENCH=1 bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DR7_BUILD_BENCH=ON

export QT_LOGGING_RULES="${QT_LOGGING_RULES:-}"
echo "== start-up: window mapped, next to a bare Qt window"
xvfb-run -a -s "-screen 0 1280x900x24" ./build/bench/bench_startup 11
echo "== register access"
./build/bench/bench_registeraccess 5000 10000 2>/dev/null
echo "== polling, TCP"
xvfb-run -a -s "-screen 0 1280x900x24" ./build/bench/bench_polling tcp "${SECONDS_POLLING:-60}" 2>/dev/null
echo "== polling, RTU 38400 with line timing"
xvfb-run -a -s "-screen 0 1280x900x24" ./build/bench/bench_polling rtu "${SECONDS_POLLING:-60}" 2>/dev/null
echo "== device scan"
./build/bench/bench_scan 2>/dev/null
echo "== monitoring page, 24 h of ticks"
QT_QPA_PLATFORM=offscreen ./build/bench/bench_updatedraw 2>/dev/null
echo "== workbook export, compare and import, TCP"
QT_QPA_PLATFORM=offscreen ./build/bench/bench_workbook tcp 5 2>/dev/null
echo "== workbook export, compare and import, RTU 38400 with line timing"
QT_QPA_PLATFORM=offscreen ./build/bench/bench_workbook rtu 3 38400 2>/dev/null
echo "== workbook export, compare and import, RTU 9600 with line timing"
QT_QPA_PLATFORM=offscreen ./build/bench/bench_workbook rtu 3 9600 2>/dev/null
