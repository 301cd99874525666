#!/usr/bin/env bash
# Installs what is needed, builds with AddressSanitizer and UBSan, and runs
# every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DR7_SANITIZE=ON -DR7_BUILD_BENCH=OFF \
    -DR7_QT="${R7_QT:-5}"

(cd build-asan && ctest --output-on-failure -j "${JOBS:-2}" --timeout 300)

# The same suites built against Qt 6 (without the sanitizers, which the build
# above already runs): on CI, or when asked with R7_QT6_SUITES=1.
if [ "${R7_QT:-5}" != 6 ] && { [ "${CI:-}" = true ] || [ "${R7_QT6_SUITES:-}" = 1 ]; }; then
    bash scripts/build.sh build-qt6 -DCMAKE_BUILD_TYPE=Debug -DR7_QT=6 -DR7_BUILD_BENCH=OFF
    (cd build-qt6 && ctest --output-on-failure -j "${JOBS:-2}" --timeout 300)
fi

# The Debian package, built, installed, run and removed again: on CI (a
# throwaway machine, as root) or when asked with R7_CHECK_PACKAGE=1.
if [ "${CI:-}" = true ] || [ "${R7_CHECK_PACKAGE:-}" = 1 ]; then
    bash scripts/check-package.sh
fi
