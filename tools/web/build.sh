#!/usr/bin/env bash
# tools/web/build.sh - builds the game and the test programs that need no window for the browser
# with Debian's emscripten, from the same sources, with the codecs of tools/cross/deps.sh web.
#
#   tools/web/build.sh               # into build-web/: dist/ (index.html, glitzfall.js, .wasm,
#                                    # .data: the page to put on any static web host) and
#                                    # tests/test_*.js (run under node by tools/web/test.sh)
#   tools/web/build.sh glitzfall     # only the named targets
#
# The asset generator runs on this machine: it is built (target glitz_assets only) in build/, the
# plain build of tools/test.sh. JOBS sets the parallel jobs (default: the number of cores).
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
JOBS=${JOBS:-$(nproc)}
DIR=build-web
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}   # Debian's emscripten needs Debian's modules

cache=$(JOBS=$JOBS bash tools/cross/deps.sh web | tail -1)
prefixes=$(paste -sd';' "$cache/prefixes")

if [[ ! -e build/CMakeCache.txt ]]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build -j "$JOBS" --target glitz_assets >/dev/null

# Release: the download is what a player waits for (RelWithDebInfo's DWARF would be half of it).
cmake -S . -B "$DIR" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-web.cmake" \
  -DGLITZ_CROSS_PREFIXES="$prefixes" -DGLITZ_HOST_ASSETS="$ROOT/build/tools/glitz_assets" \
  -DGLITZ_BENCH=OFF >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$DIR" -j "$JOBS" "${targets[@]}" 2>&1 | { grep -E 'warning|error|Error' || true; }
exit "${PIPESTATUS[0]}"
