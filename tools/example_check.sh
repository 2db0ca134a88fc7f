#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Proves the framework can be used from outside the tree: installs it (component dev) from a
# built tree into a staging folder inside it, builds examples/ against that install with
# find_package(Glitz), links them again with the flags of glitz.pc, and runs the four examples
# under the X server of $DISPLAY until each has done its scripted part and quit by itself, checking
# that each set its own caption and per-user folder, and that only glitz_catch started music (its
# own). Builds the first program of docs/README.md from the page the same two ways. Also checks
# that every installed header compiles alone, that no internal header is installed, that
# glitz_font runs and that the documentation is there, and that glitz_check runs and passes the
# examples' data.
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
for prog in glitz_example glitz_notes glitz_sprite glitz_catch; do [[ -x $OUT/$prog ]]; done

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
# So does the catalogue checker, which knows no program's names: the examples' data checks clean
# with no list of needs, and with every name the four examples load.
"$STAGE$prefix/bin/glitz_check" "$OUT/data" >/dev/null 2>&1 ||
  { echo "the installed glitz_check does not pass the examples' data" >&2; "$STAGE$prefix/bin/glitz_check" "$OUT/data" >&2; exit 1; }
"$STAGE$prefix/bin/glitz_check" --need font0:font --need font1:font --need font2:font \
  --need player:image --need ball:image --need splat:sample --need death:sample --need music:stream \
  "$OUT/data" >/dev/null 2>&1 || { echo "the installed glitz_check misses the examples' names" >&2; exit 1; }

# The documentation comes with the development files: the pages and the API reference.
for doc in README.md catalogue.md states.md sound.md fonts.md examples.md example_sprite.png \
    example_catch.png glossary.md api/index.html; do
  [[ -s $(dirname "$inc")/../share/doc/glitz/$doc ]] || { echo "share/doc/glitz/$doc is not installed" >&2; exit 1; }
done
for internal in sound/engine.h sound/decode.h sound/sound_layer.h util/file_open.h \
    app/app_internal.h app/driver_internal.h app/files_internal.h app/platform.h \
    app/clipboard_internal.h gfx/gfx_internal.h gfx/font_internal.h gui/style_internal.h \
    util/zev_var_object.h; do
  [[ ! -e $inc/$internal ]] || { echo "internal header $internal is installed" >&2; exit 1; }
done

pc_dir=$(dirname "$(find "$STAGE" -name glitz.pc | head -1)")
for prog in main notes sprite catch; do
  # shellcheck disable=SC2046
  c++ -std=c++17 -o "$OUT/glitz_${prog}_pc" "$ROOT/examples/$prog.cpp" \
    $(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs glitz)
done

# The first program of docs/README.md, as a reader copies it from the page: hello.cpp with its one
# include <glitz/glitz.h>, built with the page's CMakeLists.txt (find_package) and with its
# pkg-config line. Each block is the indented text under its first line.
page_block() {   # Usage: page_block FIRST_LINE < page
  awk -v first="    $1" '$0 == first { on = 1 } on && /^[^ ]/ { exit } on { sub(/^    /, ""); print }'
}
HELLO=$OUT/hello
mkdir -p "$HELLO"
page_block "// hello.cpp" <"$ROOT/docs/README.md" >"$HELLO/hello.cpp"
page_block "cmake_minimum_required(VERSION 3.25)" <"$ROOT/docs/README.md" >"$HELLO/CMakeLists.txt"
[[ $(grep -c 'SDL_main' "$HELLO/hello.cpp") -ge 1 && -s $HELLO/CMakeLists.txt ]] ||
  { echo "docs/README.md: no first program (hello.cpp and its CMakeLists.txt) found" >&2; exit 1; }
[[ $(grep '#include' "$HELLO/hello.cpp") == "#include <glitz/glitz.h>" ]] ||
  { echo "docs/README.md: hello.cpp includes more than <glitz/glitz.h>" >&2; exit 1; }
cmake -S "$HELLO" -B "$HELLO/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_PREFIX_PATH="$STAGE$prefix" \
  -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON >/dev/null
cmake --build "$HELLO/build" 2>&1 | { grep -E 'warning|error' || true; }
[[ -x $HELLO/build/hello ]] || { echo "docs/README.md: hello does not build with find_package" >&2; exit 1; }
grep -qF 'c++ -std=c++17 hello.cpp $(pkg-config --cflags --libs glitz) -o hello' "$ROOT/docs/README.md" ||
  { echo "docs/README.md: the pkg-config line checked here is not on the page" >&2; exit 1; }
# shellcheck disable=SC2046
c++ -std=c++17 "$HELLO/hello.cpp" $(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs glitz) -o "$HELLO/hello_pc" ||
  { echo "docs/README.md: hello does not build with pkg-config" >&2; exit 1; }

# Runs one example in $OUT with a home of its own and no APPDATA or XDG_DATA_HOME, so its per-user
# folder lands in $OUT/home/.local/share; while it runs, looks for its window by its caption.
# MUSIC names the one stream the program starts itself; without it, it starts none.
# Usage: run_example PROGRAM TICKS CAPTION LAST_LINE FOLDER [MUSIC]
run_example() {
  local prog=$1 ticks=$2 caption=$3 last=$4 folder=$5 music=${6:-} home=$OUT/home-$1 log=$OUT/$1.log
  rm -rf "$home" && mkdir -p "$home"
  (cd "$OUT" && HOME=$home exec env -u APPDATA -u XDG_DATA_HOME timeout 60 "./$prog" --ticks "$ticks") >"$log" 2>&1 &
  local pid=$! seen=""
  for _ in $(seq 100); do
    seen=$(xdotool search --name "^$caption\$" 2>/dev/null | head -1 || true)
    [[ -n $seen ]] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  wait $pid || { cat "$log" >&2; echo "$prog failed" >&2; return 1; }
  grep -qx "$prog: $last" "$log" || { cat "$log" >&2; return 1; }
  [[ -n $seen ]] || { echo "$prog: no window captioned \"$caption\"" >&2; return 1; }
  [[ -d $home/.local/share/$folder ]] || { echo "$prog: no per-user folder $folder" >&2; ls -R "$home" >&2; return 1; }
  # The game's name and caption belong to the game alone, and so does its music unless the
  # program names it: then that stream and no other is loaded.
  if grep -E 'GameName|GLITZ FALL' "$log"; then echo "$prog: takes the game's name" >&2; return 1; fi
  if [[ -z $music ]]; then
    if grep -E 'stream' "$log"; then echo "$prog: starts music" >&2; return 1; fi
  else
    grep -qx "doing load stream $music" "$log" || { cat "$log" >&2; echo "$prog: does not start its music $music" >&2; return 1; }
    if grep -E 'load stream' "$log" | grep -vE " stream $music\$"; then echo "$prog: loads another stream" >&2; return 1; fi
  fi
}

# glitz_example and glitz_sprite name only their caption: the folder is the executable's name.
# glitz_notes and glitz_catch name both; glitz_catch alone names music. glitz_sprite and
# glitz_catch quit when their script is done, the ticks given being the most they may take.
run_example glitz_example 120 "Glitz example" "font, image, sound and key press all there" glitz_example
run_example glitz_notes 120 "Glitz notes" "typed name in the table" glitz-notes
run_example glitz_sprite 600 "Glitz sprite" "stopped at all four edges, inside the canvas on every tick" glitz_sprite
run_example glitz_catch 1800 "Glitz catch" \
  "title, play, 2 catches, 3 misses, game over with score 2, title again" glitz-catch music

# Started as a player starts it, with no arguments at all, glitz_example still names its folder
# after its executable (not the framework's fallback name); it runs until closed, so it is stopped
# once the folder is there.
home=$OUT/home-bare
rm -rf "$home" && mkdir -p "$home"
(cd "$OUT" && HOME=$home exec env -u APPDATA -u XDG_DATA_HOME timeout 60 ./glitz_example) >"$OUT/bare.log" 2>&1 &
pid=$!
for _ in $(seq 200); do [[ -d $home/.local/share/glitz_example ]] && break; sleep 0.1; done
kill $pid 2>/dev/null; wait $pid 2>/dev/null || true   # 143 after the kill: not a failure under set -e
[[ -d $home/.local/share/glitz_example ]] || { echo "glitz_example without arguments: no folder glitz_example" >&2; ls -R "$home" >&2; exit 1; }
