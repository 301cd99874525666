#!/usr/bin/env bash
# Builds the Debian package of r7config and r7sim: an optimised build without
# sanitizers, tests or benchmarks in its own folder, then CPack.
#   scripts/package.sh [BUILD_DIR]      (default build-package)
# The last line printed is the path of the .deb.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${1:-build-package}
JOBS=${JOBS:-2}

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DR7_SANITIZE=OFF -DR7_BUILD_TESTS=OFF -DR7_BUILD_BENCH=OFF -DR7_BUILD_FUZZ=OFF \
    -DR7_QT="${R7_QT:-5}" >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS"
rm -f "$BUILD_DIR"/r7config_*.deb
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)

debs=("$BUILD_DIR"/r7config_*.deb)
if [ ! -f "${debs[0]}" ]; then
    echo "package: no .deb was made in $BUILD_DIR" >&2
    exit 1
fi
dpkg-deb --field "${debs[0]}" Package Version Architecture Depends >&2
echo "${debs[0]}"
