#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# tools/cross/deps.sh TARGET - builds the libraries the game links for another platform from
# Debian's own source packages (apt-get source), into a cache outside the source tree.
#
#   tools/cross/deps.sh windows      # for x86_64-w64-mingw32: SDL 1.2, libxmp and libsndfile
#                                    # as DLLs (with import libraries; libSDLmain.a stays static),
#                                    # the rest static libraries
#   tools/cross/deps.sh web          # static wasm libraries for emscripten (the codecs, GoogleTest;
#                                    # SDL 1.2 and OpenGL come with emscripten itself)
#   tools/cross/deps.sh windows --rebuild PACKAGE DIR
#                                    # one library built again from its kept source package with
#                                    # the same recipe, into DIR/<its folder name>, the cache left
#                                    # as it is; that folder is the last line on the standard
#                                    # output (tools/cross/wine_check.sh swaps the shipped
#                                    # libxmp.dll for one built so with CFLAGS=-O1: the build
#                                    # takes CFLAGS from the environment, as configure does)
#
# Each library lands in <cache>/<target>/<source package>-<version>/ (include/, lib/,
# lib/pkgconfig/; a DLL in bin/), built once per source version: a second run only asks apt for
# the versions and takes seconds. A library built as a DLL has the folder
# <source package>-<version>-dll, so caches made before it was one stay valid. The cache is
# $GLITZ_CROSS_CACHE, else $XDG_CACHE_HOME/glitzfall-cross, else
# ~/.cache/glitzfall-cross. At the end <cache>/<target>/prefixes lists the folders in use, one a
# line, for tools/cross/build.sh (CMAKE_PREFIX_PATH and pkg-config search the same list), and
# <cache>/<target>/sources the Debian source packages they were built from (<cache>/sources/
# <package>-<version>/: the .dsc and its tarballs, as apt fetched them, for the release); the
# cache folder is the last line on the standard output. Each library's Debian copyright file is
# kept in <its folder>/share/doc/<package>/copyright for the packages that carry it.
# Nothing is downloaded from anywhere but the machine's Debian mirrors.
#
# A new target adds a case to target_setup (toolchain settings, its list of packages and the
# ones built shared) and a build_<package> recipe for each package where it differs; the rest is
# shared.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
TARGET=${1:-}
JOBS=${JOBS:-2}
REBUILD="" REBUILD_DIR=""
if [[ ${2:-} == --rebuild ]]; then
  REBUILD=${3:?usage: tools/cross/deps.sh TARGET --rebuild PACKAGE DIR}
  REBUILD_DIR=${4:?usage: tools/cross/deps.sh TARGET --rebuild PACKAGE DIR}
  mkdir -p "$REBUILD_DIR" && REBUILD_DIR=$(cd "$REBUILD_DIR" && pwd)
fi

log() { echo "cross deps: $*" >&2; }

target_setup() {
  case $TARGET in
    windows)
      HOST=x86_64-w64-mingw32
      export CC=$HOST-gcc-posix CXX=$HOST-g++-posix AR=$HOST-ar RANLIB=$HOST-ranlib
      CMAKE_TOOLCHAIN=$ROOT/cmake/toolchain-mingw64.cmake
      # In link order: a library before the ones it uses.
      PACKAGES=(libsdl1.2 libogg libvorbis libxmp libsndfile googletest)
      # LGPL libraries: DLLs beside the program, so that a player can put in a build of their own.
      SHARED_PACKAGES=(libsdl1.2 libxmp libsndfile)
      # A DLL's own link: the driver's -static beside -shared takes libgcc and winpthreads (which
      # the POSIX-threads GCC adds) from their archives, so the DLL needs only Windows' own DLLs.
      DLL_LDFLAGS=-static
      CMAKE_EXTRA=()
      WRAP_CONFIGURE=() WRAP_MAKE=()
      ;;
    web)
      HOST=wasm32-unknown-emscripten
      # Debian's emscripten runs its JavaScript tools with the machine's node and Debian's modules.
      export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
      export CC=emcc CXX=em++ AR=emar RANLIB=emranlib
      CMAKE_TOOLCHAIN=$(em-config EMSCRIPTEN_ROOT)/cmake/Modules/Platform/Emscripten.cmake
      # CMake's try-run checks (libsndfile's) run the test program under node.
      CMAKE_EXTRA=("-DCMAKE_CROSSCOMPILING_EMULATOR=$(command -v node);--no-experimental-fetch")
      WRAP_CONFIGURE=(emconfigure) WRAP_MAKE=(emmake)
      PACKAGES=(libogg libvorbis libxmp libsndfile googletest)
      SHARED_PACKAGES=() DLL_LDFLAGS=""
      ;;
    *)
      echo "usage: tools/cross/deps.sh windows|web" >&2
      exit 2
      ;;
  esac
}
target_setup

CACHE_ROOT=${GLITZ_CROSS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/glitzfall-cross}
CACHE=$CACHE_ROOT/$TARGET
SOURCES=$CACHE_ROOT/sources
mkdir -p "$CACHE" "$SOURCES"
bash tools/cross/setup.sh "$TARGET" >&2

# The version apt would fetch for a source package ("" when apt knows none).
src_version() {
  apt-cache showsrc --only-source "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -1
}

# --- recipes: each runs in the unpacked source folder and installs into $PREFIX -----------------
# SHARED is 1 for a package of SHARED_PACKAGES: a DLL and its import library, no static library
# (a program linked with -static cannot then take the library in by mistake).

# LINK_LDFLAGS: flags for the library's own link only, not for configure's test programs.
autotools() { # extra configure arguments...
  # Older tarballs' config.sub knows no emscripten: take Debian's current one, as Debian's own
  # builds do (dh_update_autotools_config).
  if [[ $TARGET == web ]]; then
    for f in config.sub config.guess; do
      find . -name "$f" -exec cp /usr/share/misc/"$f" {} \;
    done
  fi
  local kind=(--disable-shared --enable-static) link=()
  [[ -z $SHARED ]] || kind=(--enable-shared --disable-static)
  [[ -z ${LINK_LDFLAGS:-} ]] || link=("LDFLAGS=$LDFLAGS $LINK_LDFLAGS")
  "${WRAP_CONFIGURE[@]}" ./configure --host="$HOST" --prefix="$PREFIX" "${kind[@]}" "$@" >build.log 2>&1 ||
    { tail -30 build.log; return 1; }
  "${WRAP_MAKE[@]}" make -j"$JOBS" "${link[@]}" >>build.log 2>&1 || { tail -30 build.log; return 1; }
  "${WRAP_MAKE[@]}" make install "${link[@]}" >>build.log 2>&1 || { tail -30 build.log; return 1; }
}

cmake_build() { # extra cmake arguments...
  local kind=(-DBUILD_SHARED_LIBS=OFF)
  [[ -z $SHARED ]] || kind=(-DBUILD_SHARED_LIBS=ON "-DCMAKE_SHARED_LINKER_FLAGS=$DLL_LDFLAGS")
  cmake -S . -B _build -DCMAKE_TOOLCHAIN_FILE="$CMAKE_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" "${kind[@]}" -DGLITZ_CROSS_PREFIXES="$DEP_PREFIXES" \
    "${CMAKE_EXTRA[@]}" "$@" \
    >build.log 2>&1 || { tail -30 build.log; return 1; }
  cmake --build _build -j"$JOBS" >>build.log 2>&1 || { tail -30 build.log; return 1; }
  cmake --install _build >>build.log 2>&1 || { tail -30 build.log; return 1; }
}

# SDL 1.2: the windib video driver and waveout audio (no DirectX: wine's DirectSound adds nothing
# the game uses); SDL.dll, and libSDLmain.a, the process entry that writes stdout.txt and
# stderr.txt, always a static library (its one source, src/main/win32/SDL_win32_main.c, is in the
# public domain, as its first lines say). libtool would read -static as "no DLL": it gets the
# word through -Wc.
build_libsdl1.2() { LINK_LDFLAGS=${SHARED:+-Wc,$DLL_LDFLAGS} autotools --disable-directx --disable-rpath; }
build_libogg() { autotools; }
build_libvorbis() { autotools --disable-oggtest --disable-docs --disable-examples; }
# libxmp (libxmp.dll on Windows): the loaders alone, on every target. The game plays XM modules it generates; the depackers (packed
# module files, some of them under plain LGPL and LGPL-2 terms) and ProWizard (Amiga packer
# formats) stay out.
build_libxmp() { LINK_LDFLAGS=${SHARED:+$DLL_LDFLAGS} autotools --disable-depackers --disable-prowizard; }
# WAV and the other formats libsndfile reads itself; Ogg, FLAC, Opus and MP3 it would take from
# other libraries stay off (Ogg Vorbis goes through libvorbisfile). The DLL has libsndfile's own
# Windows name, libsndfile-1.dll.
build_libsndfile() {
  cmake_build -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DENABLE_EXTERNAL_LIBS=OFF \
    -DENABLE_MPEG=OFF -DENABLE_CPACK=OFF -DINSTALL_MANPAGES=OFF -DBUILD_REGTEST=OFF \
    ${SHARED:+-DENABLE_COMPATIBLE_LIBSNDFILE_NAME=ON}
}
build_googletest() { cmake_build -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=ON; }

# --- the shared part ----------------------------------------------------------------------------

# A recipe that changed after caches were made names its folders anew, so old caches stay valid.
declare -A RECIPE_TAG=([libxmp]=-loaders)
DEP_PREFIXES=""   # prefixes of the packages built so far, ';'-separated (for CMake)
PKG_DIRS=""       # their pkg-config folders, ':'-separated
prefixes=()
sources=()
for pkg in "${PACKAGES[@]}"; do
  version=$(src_version "$pkg")
  [[ -n $version ]] || { log "apt knows no source package $pkg (is there a deb-src entry?)"; exit 1; }
  SHARED=""
  [[ " ${SHARED_PACKAGES[*]} " != *" $pkg "* ]] || SHARED=1
  PREFIX=$CACHE/$pkg-$version${RECIPE_TAG[$pkg]:-}${SHARED:+-dll}
  WORK=$CACHE/src-$pkg   # the unpacked source while it builds
  if [[ $pkg == "$REBUILD" ]]; then
    PREFIX=$REBUILD_DIR/${PREFIX##*/} WORK=$REBUILD_DIR/src-$pkg
    rm -rf "$PREFIX"
  fi
  # The source package itself (.dsc and tarballs) is kept for the release: whoever receives a
  # library built from it may ask for exactly this source.
  SRC=$SOURCES/$pkg-$version
  if [[ ! -e $SRC/.fetched ]]; then
    rm -rf "$SRC" && mkdir -p "$SRC"
    (cd "$SRC" && apt-get source --download-only -qq "$pkg=$version" >fetch.log 2>&1 && rm fetch.log) ||
      { tail -20 "$SRC/fetch.log"; log "apt-get source $pkg=$version failed"; exit 1; }
    touch "$SRC/.fetched"
  fi
  # Built and complete: the stamp is written last, the licence file is part of the result.
  if [[ ! -e $PREFIX/.built || ! -s $PREFIX/share/doc/$pkg/copyright ]]; then
    log "building $pkg $version for $TARGET"
    start=$SECONDS
    rm -rf "$PREFIX" "$WORK"
    mkdir -p "$WORK"
    (cd "$WORK" && dpkg-source -x "$SRC"/*.dsc >unpack.log 2>&1) ||
      { tail -20 "$WORK/unpack.log"; log "unpacking $pkg=$version failed"; exit 1; }
    dir=$(find "$WORK" -mindepth 1 -maxdepth 1 -type d | head -1)
    (cd "$dir" && PKG_CONFIG_LIBDIR="$PKG_DIRS" PKG_CONFIG_PATH="" \
      CPPFLAGS="$(for p in "${prefixes[@]}"; do printf -- '-I%s/include ' "$p"; done)" \
      LDFLAGS="$(for p in "${prefixes[@]}"; do printf -- '-L%s/lib ' "$p"; done)" \
      "build_$pkg") || { log "building $pkg failed (log: $dir/build.log)"; exit 1; }
    # The licence goes with the library, for the packages that ship it built in.
    mkdir -p "$PREFIX/share/doc/$pkg"
    cp "$dir/debian/copyright" "$PREFIX/share/doc/$pkg/copyright"
    rm -rf "$WORK"
    touch "$PREFIX/.built"
    log "$pkg $version built in $((SECONDS - start)) s"
  fi
  [[ $pkg != "$REBUILD" ]] || { echo "$PREFIX"; exit 0; }
  prefixes+=("$PREFIX")
  sources+=("$SRC")
  DEP_PREFIXES=${DEP_PREFIXES:+$DEP_PREFIXES;}$PREFIX
  PKG_DIRS=${PKG_DIRS:+$PKG_DIRS:}$PREFIX/lib/pkgconfig
done
[[ -z $REBUILD ]] || { log "no package $REBUILD for $TARGET"; exit 2; }
printf '%s\n' "${prefixes[@]}" >"$CACHE/prefixes"
printf '%s\n' "${sources[@]}" >"$CACHE/sources"
log "ready: $CACHE"
echo "$CACHE"
