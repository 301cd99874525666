#!/usr/bin/env bash
# Installs the Debian packages the build, the simulator and the tests need.
# Quick when everything is already there.
set -euo pipefail

PACKAGES=(
    cmake ninja-build pkg-config build-essential git
    qtbase5-dev qtbase5-dev-tools libqt5serialbus5-dev libqt5serialport5-dev libqt5charts5-dev
    qttools5-dev qttools5-dev-tools libqt5svg5-dev libzip-dev zipcmp zipmerge ziptool libpugixml-dev
    socat xvfb xauth xdotool fonts-wqy-zenhei imagemagick
    python3-openpyxl clang libclang-rt-14-dev
    dpkg-dev
)

# Qt 6 as well when asked for (R7_QT=6 builds against it; R7_QT6_SUITES=1 runs
# the suites on it beside Qt 5) and on CI, which builds both.
if [ "${R7_QT:-5}" = 6 ] || [ "${R7_QT6_SUITES:-}" = 1 ] || [ "${CI:-}" = true ]; then
    PACKAGES+=(
        qt6-base-dev qt6-base-dev-tools qt6-serialbus-dev qt6-serialport-dev qt6-charts-dev
        qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libqt6opengl6-dev libgl-dev
    )
fi

# The benchmarks' second Modbus master (bench_polling rtu).
if [ "${R7_BENCH:-}" = 1 ]; then
    PACKAGES+=(python3-pymodbus)
fi

missing=()
for pkg in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all packages present"
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        SUDO="sudo"
    else
        echo "setup: run as root to install: ${missing[*]}" >&2
        exit 1
    fi
fi

echo "setup: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${PACKAGES[@]}"
