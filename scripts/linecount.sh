#!/usr/bin/env bash
# Non-blank lines of C++ (.h and .cpp) in the program (with the simulator) and
# in the tests, and their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { cat "$@" 2>/dev/null | grep -cv '^[[:space:]]*$' || true; }
program=$(count $(git ls-files -co --exclude-standard -- 'Base/*.h' 'Base/*.cpp' 'main/*.h' 'main/*.cpp' 'Modbus/*.h' 'Modbus/*.cpp' \
    'App/*.h' 'App/*.cpp' 'Excel/*.h' 'Excel/*.cpp' 'Warning/*.h' 'Warning/*.cpp'))
sim=$(count $(git ls-files -co --exclude-standard -- 'sim/*.h' 'sim/*.cpp'))
tests=$(count $(git ls-files -co --exclude-standard -- 'tests/*.h' 'tests/*.cpp'))
echo "program ${program}, simulator ${sim}, tests ${tests}"
awk -v p="$program" -v s="$sim" -v t="$tests" 'BEGIN { printf "tests / (program + simulator) = %.2f\n", t / (p + s) }'
