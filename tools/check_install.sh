#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Checks the installed game from a built tree: installs it into a staging folder (DESTDIR, under a
# prefix other than the configured one), starts the installed program under X from two other
# folders, one of them holding an unrelated data/data.json, validates the menu entry, the
# metainfo and the manual page, checks that every folder and file the manual page and the metainfo
# name is installed (in the staging folder and in the package), and builds the Debian package and
# runs lintian on it and the licence check (tools/licence_check.py); configures a player's build (no tests) as if GoogleTest were missing.
# Prints one line per check, "ok: what" or "FAIL: what", and exits with the number of failures.
# Usage: tools/check_install.sh BUILD_DIR     (needs DISPLAY; the build must be complete)
set -uo pipefail
BUILD=$(cd "${1:?usage: check_install.sh BUILD_DIR}" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
STAGE=$WORK/stage
PREFIX=/opt/glitzfall
failures=0
check() { # what, command...
  local what=$1; shift
  local out
  if out=$("$@" 2>&1); then echo "ok: $what"; else echo "FAIL: $what"; sed 's/^/    /' <<<"$out" | tail -20; failures=$((failures + 1)); fi
}

install_staged() {
  DESTDIR=$STAGE cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null || return 1
  local root=$STAGE$PREFIX missing=0
  for f in games/glitzfall share/games/glitzfall/data.json share/games/glitzfall/ball.png \
      share/man/man6/glitzfall.6.gz share/doc/glitzfall/copyright; do
    [[ -s $root/$f ]] || { echo "missing $f"; missing=1; }
  done
  for n in 48 128 256; do
    local icon=$root/share/icons/hicolor/${n}x$n/apps/glitzfall.png
    file "$icon" | grep -q "PNG image data, $n x $n" || { echo "no $n px icon"; missing=1; }
  done
  ls "$root"/share/applications/*.desktop "$root"/share/metainfo/*.metainfo.xml >/dev/null || missing=1
  return $missing
}

# Starts the installed program in folder $1 with an empty home, waits for its first frame, ends it
# with SIGTERM and checks that it read its own installed data.
run_from() {
  local dir=$1 data=$STAGE$PREFIX/share/games/glitzfall
  mkdir -p "$dir/home"
  (cd "$dir" && HOME=$dir/home GLITZ_TICK_REPORT=1 SDL_AUDIODRIVER=dummy \
    exec "$STAGE$PREFIX/games/glitzfall" >stdout.txt 2>stderr.txt) &
  local pid=$! ok=1
  for _ in $(seq 200); do
    grep -q "first frame at" "$dir/stderr.txt" 2>/dev/null && { ok=0; break; }
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  kill -TERM $pid 2>/dev/null; wait $pid
  [[ $ok -eq 0 ]] || { echo "no first frame"; cat "$dir/stderr.txt"; return 1; }
  grep -qx "data folder: $data" "$dir/stdout.txt" || { cat "$dir/stdout.txt"; return 1; }
  if grep -E "unable to find|failed" "$dir/stderr.txt"; then return 1; fi
  grep -q "loaded $data/font0.png" "$dir/stderr.txt" || { echo "font0.png not loaded from $data"; return 1; }
}

check "install into a staging folder" install_staged
check "installed program started from an empty folder" run_from "$WORK/empty"
mkdir -p "$WORK/decoy/data" && echo '{"font0": {"texture": "x"}}' >"$WORK/decoy/data/data.json"
check "installed program ignores a data/ folder where it is started" run_from "$WORK/decoy"
check "desktop entry validates" desktop-file-validate "$STAGE$PREFIX"/share/applications/*.desktop
check "metainfo validates" appstreamcli validate --no-net "$STAGE$PREFIX"/share/metainfo/*.metainfo.xml
man_page() {
  local out
  out=$(zcat "$STAGE$PREFIX/share/man/man6/glitzfall.6.gz" | groff -man -ww -z 2>&1) && [[ -z $out ]] || { echo "$out"; return 1; }
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$STAGE$PREFIX/share/man/man6/glitzfall.6.gz" 2>&1 >/dev/null) &&
    [[ -z $out ]] || { echo "$out"; return 1; }
}
check "manual page formats without warnings" man_page

# Every absolute path the manual page and the metainfo name lies under the prefix and is installed,
# in the tree ROOT (a staging folder or an unpacked package) installed for PREFIX.
named_paths_installed() { # root, prefix
  local root=$1 prefix=$2 paths p bad=0
  paths=$({ zcat "$root$prefix/share/man/man6/glitzfall.6.gz" && cat "$root$prefix"/share/metainfo/*.metainfo.xml; } |
    grep -oE '(^|[[:space:]>"])/[A-Za-z0-9._/+-]+' | sed -E 's/^[[:space:]>"]//; s/[.]$//' | sort -u) || return 1
  [[ -n $paths ]] || { echo "the manual page names no installed path"; return 1; }
  while read -r p; do
    [[ $p == "$prefix"/* ]] || { echo "$p is not under $prefix"; bad=1; continue; }
    [[ -e $root$p ]] || { echo "$p is not installed"; bad=1; }
  done <<<"$paths"
  return $bad
}
check "manual page and metainfo name the staged install's paths" named_paths_installed "$STAGE" "$PREFIX"

deb_package() {
  rm -f "$BUILD"/glitzfall_*.deb
  (cd "$BUILD" && cpack -G DEB >/dev/null) || return 1
  local deb
  deb=$(ls "$BUILD"/glitzfall_*.deb) || return 1
  [[ $(dpkg-deb -f "$deb" Section) == games ]] || { echo "section is not games"; return 1; }
  dpkg-deb -f "$deb" Depends | grep -q libsdl1.2 || { echo "dependencies not computed"; return 1; }
  # The package holds the game alone: no headers, libraries or tools for developers.
  if dpkg-deb -c "$deb" | grep -E '/include/|\.a$|\.pc$|cmake/|bin/glitz_(check|font)$'; then return 1; fi
  local unpacked=$WORK/deb
  rm -rf "$unpacked" && dpkg-deb -x "$deb" "$unpacked" || return 1
  named_paths_installed "$unpacked" /usr
}
# A player's build: configures as if GoogleTest were not installed, and has no test or benchmark.
players_build() {
  local src dir=$WORK/player
  src=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$BUILD/CMakeCache.txt")
  cmake -S "$src" -B "$dir" -DGLITZ_TESTS=OFF -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON >/dev/null || return 1
  if cmake --build "$dir" --target help | grep -E '^\.\.\. (test|bench)_'; then return 1; fi
}
check "a player's build configures without GoogleTest" players_build
check "Debian package builds" deb_package
check "lintian finds no errors" lintian --allow-root --fail-on error "$BUILD"/glitzfall_*.deb
# What the package holds and the licence texts its copyright file carries for it.
licence_log=$(python3 "$(dirname "$0")/licence_check.py" deb "$BUILD"/glitzfall_*.deb 2>&1)
echo "$licence_log"
failures=$((failures + $(grep -c '^FAIL:' <<<"$licence_log")))
[[ $licence_log == *ok:* ]] || { echo "FAIL: licence check of the Debian package"; failures=$((failures + 1)); }

exit $failures
