#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# tools/cross/build.sh TARGET [cmake targets...] - builds the game, the framework and the test
# programs for another platform, from the same sources, with the libraries of tools/cross/deps.sh.
#
#   tools/cross/build.sh windows     # into build-win/: glitzfall.exe, tests/test_*.exe, data/,
#                                    # dist/glitzfall-<version>-win64.zip and -setup.exe
#   tools/cross/build.sh web         # into build-web/: dist/ (index.html, glitzfall.js, .wasm,
#                                    # .data, licences/, source/: the page to put on any static
#                                    # web host) and tests/test_*.js (run under node by tools/test.sh)
#   tools/cross/build.sh web glitzfall   # only the named targets
#
# The asset generator runs on this machine: it is built (target glitz_assets only) in build/, the
# plain build of tools/test.sh. JOBS sets the parallel jobs (default: the number of cores).
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
TARGET=${1:-}
JOBS=${JOBS:-$(nproc)}

# The folder, toolchain and build type are the preset's (CMakePresets.json); this adds the libraries.
case $TARGET in
  windows) DIR=build-win ;;
  web) DIR=build-web
       export NODE_PATH=${NODE_PATH:-/usr/share/nodejs} ;;   # Debian's emscripten needs Debian's modules
  *) echo "usage: tools/cross/build.sh windows|web [targets...]" >&2; exit 2 ;;
esac
shift

cache=$(JOBS=$JOBS bash tools/cross/deps.sh "$TARGET" | tail -1)
prefixes=$(paste -sd';' "$cache/prefixes")
sources=$(paste -sd';' "$cache/sources")

if [[ ! -e build/CMakeCache.txt ]]; then
  cmake --preset game >/dev/null
fi
cmake --build build -j "$JOBS" --target glitz_assets >/dev/null

# pkg-config's findings stay in the CMake cache: when the library folders changed (a new recipe,
# a new Debian version), the folder is configured afresh.
if [[ -e $DIR/CMakeCache.txt && $(cat "$DIR/.cross-prefixes" 2>/dev/null) != "$prefixes" ]]; then
  rm -f "$DIR/CMakeCache.txt"
fi
mkdir -p "$DIR" && echo "$prefixes" >"$DIR/.cross-prefixes"
cmake --preset "$TARGET" \
  -DGLITZ_CROSS_PREFIXES="$prefixes" -DGLITZ_CROSS_SOURCES="$sources" -DGLITZ_HOST_ASSETS="$ROOT/build/tools/glitz_assets" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$DIR" -j "$JOBS" "${targets[@]}" 2>&1 | { grep -E 'warning|error|Error' || true; }
exit "${PIPESTATUS[0]}"
