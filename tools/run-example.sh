#!/usr/bin/env bash
# Installs what is missing, builds the command line in build/ and corrects
# one of the shipped examples in a copy under build/: the crystal in a
# diamond-anvil cell by default, or the one named (cell, air, sphere).
set -euo pipefail
cd "$(dirname "$0")/.."

example="${1:-cell}"
if [ ! -f "examples/$example/command" ]; then
  echo "run-example: no example '$example' (there are: $(ls examples | tr '\n' ' '))" >&2
  exit 2
fi

tools/install-deps.sh build-essential cmake libcli11-dev nlohmann-json3-dev libtbb-dev

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEX_GUI=OFF -DKORVEX_TESTS=OFF
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target korvex
rm -rf "build/example-$example"
mkdir -p "build/example-$example"
find "examples/$example" -maxdepth 1 -type f -exec cp {} "build/example-$example/" \;
cd "build/example-$example"
read -r _ args < command
# shellcheck disable=SC2086  # the command file holds plain words
../korvex $args
echo "example $example: the report, the corrected reflections and the CIF fragment are in build/example-$example/"
