#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# tools/release.sh - builds every package of the committed tree's version into dist/<version>/:
#
#   glitzfall_<version>_amd64.deb          the Debian package
#   glitzfall-<version>-win64.zip          the Windows program to unpack anywhere (DLLs beside it)
#   glitzfall-<version>-setup.exe          the Windows installer
#   glitzfall-<version>-web.zip            the page, index.html at the root, for any web host or portal
#   glitzfall-<version>-source.tar.gz      the tree as committed
#   lgpl-sources/                          the Debian source packages of the LGPL libraries inside
#                                          the Windows and web packages (SDL 1.2, libxmp, libsndfile)
#   glitzfall-<version>-release-notes.md   the version's section of CHANGELOG.md
#   SHA256SUMS                             of all the above
#
# The version is the one of CMakeLists.txt's project() line; CHANGELOG.md must have its section.
# Refuses a tree with uncommitted changes: the packages are built from the commit, in a worktree
# of it (build-release/src, with its own build folders), never from files that are not committed.
# A second run on the same commit finds dist/<version>/ complete and its sums right, and rebuilds
# nothing; a run on a new commit moves the worktree there and rebuilds only what changed.
# Every package then passes tools/licence_check.py. Needs what tools/setup.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
start=$SECONDS
say() { echo "release: $*" >&2; }

if [[ -n $(git status --porcelain) ]]; then
  say "the tree has uncommitted changes (git status): commit or stash them first"
  exit 1
fi
version=$(sed -n 's/^project(GlitzFall VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
[[ -n $version ]] || { say "no version in CMakeLists.txt's project() line"; exit 1; }
notes=$(awk -v v="## [$version] - " 'index($0, v) == 1 { on = 1; next } /^## \[/ { on = 0 } on' CHANGELOG.md)
[[ -n ${notes//[[:space:]]/} ]] || { say "CHANGELOG.md has no notes under \"## [$version] - DATE\""; exit 1; }
commit=$(git rev-parse HEAD)
out=$ROOT/dist/$version

listing() {
  (cd "$out" && find . -type f ! -name .commit -printf '%P\t%s\n' | sort |
    awk -F'\t' '{ printf "  %-48s %12d bytes\n", $1, $2 }')
}

if [[ -f $out/.commit && $(cat "$out/.commit") == "$commit" ]] && (cd "$out" && sha256sum --quiet -c SHA256SUMS) 2>/dev/null; then
  say "dist/$version/ is up to date with commit ${commit:0:12}: nothing to build"
  listing
  exit 0
fi

# The commit's own worktree, moved to the commit on later runs (only changed files get new times).
src=$ROOT/build-release/src
if [[ -e $src/.git ]]; then
  git -C "$src" checkout -q --detach "$commit"
else
  rm -rf "$src"
  git worktree add -q --detach "$src" "$commit"
fi
say "building $version from commit ${commit:0:12} in build-release/src"

step() { # what, command...
  local what=$1 t=$SECONDS log
  shift
  log=$(mktemp)
  if ! (cd "$src" && "$@") >"$log" 2>&1; then
    tail -40 "$log" >&2
    rm -f "$log"
    say "$what failed"
    exit 1
  fi
  rm -f "$log"
  say "$what: $((SECONDS - t)) s"
}
linux_build() {   # (run where errexit is off: each command chained)
  cmake --preset game &&
    cmake --build build -j "$(nproc)" && rm -f build/glitzfall_*.deb && (cd build && cpack -G DEB)
}
step "Linux game and Debian package" linux_build
step "Windows program, zip and installer" bash tools/cross/build.sh windows glitzfall glitz_dist
step "web page" bash tools/cross/build.sh web glitz_web_dist

stage=$out.new
rm -rf "$stage"
mkdir -p "$stage/lgpl-sources"
cp "$src"/build/glitzfall_"$version"_amd64.deb "$stage/"
cp "$src/build-win/dist/glitzfall-$version-win64.zip" "$src/build-win/dist/glitzfall-$version-setup.exe" "$stage/"
(cd "$src/build-web/dist" && zip -q -r -X "$stage/glitzfall-$version-web.zip" .)
git archive --format=tar.gz --prefix="glitzfall-$version/" -o "$stage/glitzfall-$version-source.tar.gz" "$commit"
# The LGPL libraries' source packages, as tools/cross/deps.sh fetched and built them.
for target in windows web; do
  while read -r dir; do
    case $(basename "$dir") in
      libsdl1.2-* | libxmp-* | libsndfile-*) find "$dir" -maxdepth 1 -type f ! -name '.*' -exec cp {} "$stage/lgpl-sources/" \; ;;
    esac
  done <"${GLITZ_CROSS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/glitzfall-cross}/$target/sources"
done
{
  echo "# Glitz Fall $version"
  echo
  echo "$notes" | sed -e '/./,$!d'
} >"$stage/glitzfall-$version-release-notes.md"

# Each package against the licence texts it carries.
checks=$(mktemp)
{
  python3 tools/licence_check.py deb "$stage/glitzfall_${version}_amd64.deb"
  python3 tools/licence_check.py windows --map "$src/build-win/glitzfall.map" --exe "$src/build-win/glitzfall.exe" \
    "$stage/glitzfall-$version-win64.zip"
  python3 tools/licence_check.py web --map "$src/build-web/glitzfall.map" "$stage/glitzfall-$version-web.zip"
} >"$checks" 2>&1 || { grep -v '^ok:' "$checks" >&2; rm -f "$checks"; say "licence check failed"; exit 1; }
say "licence check: $(grep -c '^ok:' "$checks") checks passed"
rm -f "$checks"

(cd "$stage" && find . -type f -printf '%P\n' | sort | xargs sha256sum >SHA256SUMS)
echo "$commit" >"$stage/.commit"
rm -rf "$out"
mv "$stage" "$out"
say "dist/$version/ made in $((SECONDS - start)) s:"
listing
