#!/usr/bin/env bash
# Installs what is missing, builds Korvex (core, command line, window, tests)
# in build/ and runs every test, builds and checks the Debian package, then
# runs the core tests again in a sanitizer build (build-asan/), then each
# fuzzing harness for a short, fixed time (build-fuzz/, when clang is there).
# Fails when any test or check fails or a fuzzer finds a fault.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh build-essential cmake libgtest-dev libcli11-dev nlohmann-json3-dev libtbb-dev libbenchmark-dev \
  qt6-base-dev qt6-svg-dev fonts-dejavu-core python3-gemmi xvfb dpkg-dev man-db clang libclang-rt-14-dev

jobs="$(nproc 2>/dev/null || echo 2)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEX_GUI=ON -DKORVEX_TESTS=ON
cmake --build build -j"$jobs"
cd build
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" ctest --output-on-failure -j"$jobs"
cd ..
tools/check-package.sh

# The same tests of the core and the command line once more under the
# address and undefined-behaviour sanitizers: the readers of experiment and
# reflection files are fed malformed and random input there. It is built
# without Qt's pictures, as a machine without Qt builds the command line.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKORVEX_SANITIZE=ON -DKORVEX_GUI=OFF -DKORVEX_PICTURES=OFF -DKORVEX_BENCH=OFF -DKORVEX_TESTS=ON
cmake --build build-asan -j"$jobs"
cd build-asan
ctest --output-on-failure -j"$jobs"

# The readers and a whole run under libFuzzer, 15 s each, seeded from the
# golden cases (tools/run-fuzzers.sh SECONDS runs them longer).
cd ..
tools/run-fuzzers.sh 15
