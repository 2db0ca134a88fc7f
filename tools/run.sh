#!/usr/bin/env bash
# Builds the game and starts it from the build folder, which holds the generated data/ directory.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target glitzfall
cd build && exec ./glitzfall "$@"
