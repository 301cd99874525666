#!/usr/bin/env bash
# Installs what is needed, builds with AddressSanitizer and UBSan, and runs
# every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DR7_SANITIZE=ON -DR7_BUILD_BENCH=OFF

cd build-asan
ctest --output-on-failure -j "${JOBS:-2}" --timeout 300

# The Debian package, built, installed, run and removed again: on CI (a
# throwaway machine, as root) or when asked with R7_CHECK_PACKAGE=1.
if [ "${CI:-}" = true ] || [ "${R7_CHECK_PACKAGE:-}" = 1 ]; then
    cd ..
    bash scripts/check-package.sh
fi
