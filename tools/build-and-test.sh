#!/usr/bin/env bash
# Installs what is missing, builds Korvex (core, command line, window, tests)
# in build/ and runs every test. Fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh build-essential cmake libgtest-dev libcli11-dev qt6-base-dev python3-gemmi xvfb

jobs="$(nproc 2>/dev/null || echo 2)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEX_GUI=ON -DKORVEX_TESTS=ON
cmake --build build -j"$jobs"
cd build
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" ctest --output-on-failure -j"$jobs"
