#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Builds the game and starts it from the build folder, which holds the generated data/ directory.
# Installs only what the Linux game needs (tools/setup.sh --game); a build folder the test command
# made is used as it stands, a new one is made without the tests and the reference.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh --game
if [[ ! -e build/CMakeCache.txt ]]; then
  cmake --preset game >/dev/null
fi
cmake --build build -j "$(nproc)" --target glitzfall
cd build && exec ./glitzfall "$@"
