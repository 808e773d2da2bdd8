#!/usr/bin/env bash
# Installs what is missing, builds the command line in build/ and corrects
# the shipped example (a quartz crystal in air) in a copy under build/.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh build-essential cmake libcli11-dev nlohmann-json3-dev

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEX_GUI=OFF -DKORVEX_TESTS=OFF
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target korvex
rm -rf build/example-air
cp -r examples/air build/example-air
cd build/example-air
../korvex run quartz.exp quartz.prt quartz.int quartz.abs
echo "example: report in build/example-air/quartz.prt, corrected reflections in quartz.abs, CIF in quartz_korvex.cif"
