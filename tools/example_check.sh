#!/usr/bin/env bash
# Proves the framework can be used from outside the tree: installs it (component dev) from a
# built tree into a staging folder inside it, builds examples/ against that install with
# find_package(Glitz), links it again with the flags of glitz.pc, and runs the example under the
# X server of $DISPLAY until it has loaded its assets, pressed a key and quit by itself.
# Usage: tools/example_check.sh [BUILD_DIR]   (default build/; DISPLAY must be set)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$(cd "${1:-build}" && pwd)
STAGE=$BUILD/stage-framework
OUT=$BUILD/example

prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$BUILD/CMakeCache.txt")
rm -rf "$STAGE" "$OUT"
DESTDIR=$STAGE cmake --install "$BUILD" --component dev >/dev/null
cmake -S "$ROOT/examples" -B "$OUT" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_PREFIX_PATH="$STAGE$prefix" -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON \
  -DEXAMPLE_ASSETS="$BUILD/data" >/dev/null
cmake --build "$OUT" 2>&1 | { grep -E 'warning|error' || true; }
[[ -x $OUT/glitz_example ]]

# Every installed header compiles on its own: none needs a header that is not installed.
inc=$(find "$STAGE" -type d -path '*/include/glitz' | head -1)
for h in $(cd "$inc" && find . -name '*.h' | sort); do
  c++ -std=c++17 -fsyntax-only -I"$inc" $(pkg-config --cflags sdl) -x c++ - <<<"#include \"${h#./}\"" ||
    { echo "installed header ${h#./} does not compile alone" >&2; exit 1; }
done
# The font tool comes with the development files and makes a font the framework loads.
"$STAGE$prefix/bin/glitz_font" /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf 20 tiny "$BUILD" >/dev/null 2>&1 ||
  { echo "the installed glitz_font does not run" >&2; exit 1; }
rm -f "$BUILD/tiny.png"

# The documentation comes with the development files: the pages and the API reference.
for doc in README.md catalogue.md states.md sound.md fonts.md api/index.html; do
  [[ -s $(dirname "$inc")/../share/doc/glitz/$doc ]] || { echo "share/doc/glitz/$doc is not installed" >&2; exit 1; }
done
for internal in sound/engine.h sound/decode.h sound/sound_layer.h util/file_open.h; do
  [[ ! -e $inc/$internal ]] || { echo "internal header $internal is installed" >&2; exit 1; }
done

pc_dir=$(dirname "$(find "$STAGE" -name glitz.pc | head -1)")
# shellcheck disable=SC2046
c++ -std=c++17 -o "$OUT/glitz_example_pc" "$ROOT/examples/main.cpp" \
  $(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs glitz)

cd "$OUT"
timeout 60 ./glitz_example --ticks 30 >"$OUT/run.log" 2>&1 || { cat "$OUT/run.log" >&2; exit 1; }
grep -q '^glitz_example: font, image, sound and key press all there$' "$OUT/run.log"
