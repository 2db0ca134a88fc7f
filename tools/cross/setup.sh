#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# tools/cross/setup.sh TARGET - installs what building and testing for another platform needs.
# Called by tools/setup.sh; idempotent: with everything present it only checks and exits quietly.
#
#   windows  the mingw-w64 toolchain, wine (to run the programs and tests), NSIS (the installer),
#            zip, icoutils (wrestool and icotool read the programs' resources back) and a deb-src
#            entry for Debian's own suites, so that tools/cross/deps.sh can fetch the libraries'
#            sources with apt-get source.
#   web      emscripten (its JavaScript tools run on the machine's node), node itself when missing
#            (any node from 18 up will do, also one not from Debian), Debian's chromium for the
#            browser test, npm for puppeteer-core, autotools-dev (a config.sub that knows
#            emscripten) and the same deb-src entry.
# A new target adds one case below and one in tools/cross/deps.sh.
set -euo pipefail

target=${1:-}
case $target in
  windows)
    PACKAGES=(g++-mingw-w64-x86-64 gcc-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-tools
              wine wine64 nsis zip unzip dpkg-dev xclip icoutils)
    ;;
  web)
    PACKAGES=(emscripten chromium dpkg-dev autotools-dev)
    # node and npm count as present when the commands exist, wherever they came from.
    command -v node >/dev/null || PACKAGES+=(nodejs)
    command -v npm >/dev/null || PACKAGES+=(npm)
    ;;
  *)
    echo "usage: tools/cross/setup.sh windows|web" >&2
    exit 2
    ;;
esac

SUDO=""
[[ $(id -u) -eq 0 ]] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

# Another apt (a second set-up, an unattended upgrade) may hold the lock: wait for it.
apt_locked() {
  command -v fuser >/dev/null || return 1
  $SUDO fuser /var/lib/dpkg/lock-frontend /var/lib/apt/lists/lock >/dev/null 2>&1
}
wait_apt() {
  local said=0
  while apt_locked; do
    [[ $said -eq 1 ]] || { echo "cross setup: waiting for another package manager to finish" >&2; said=1; }
    sleep 5
  done
}

# The source entry: one deb-src line for each suite the machine already takes binaries from.
# apt-get source needs it; it is added only when no deb-src entry is configured at all.
updated=0
has_deb_src() {
  grep -Eqs '^[[:space:]]*deb-src[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list ||
    grep -Eqs '^Types:.*deb-src' /etc/apt/sources.list.d/*.sources
}
if ! has_deb_src; then
  src=/etc/apt/sources.list.d/glitzfall-deb-src.sources
  echo "cross setup: no deb-src entry found; adding $src (the same suites as the binary entries)" >&2
  tmp=$(mktemp)
  for f in /etc/apt/sources.list.d/*.sources; do
    [[ -e $f ]] || continue
    # Copy each stanza that takes Debian packages, with its type changed to deb-src.
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         /(^|\n)Types:[^\n]*deb/ && /(^|\n)URIs:[^\n]*debian/ {
           sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' "$f" >>"$tmp"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -e $f ]] || continue
    sed -nE 's/^[[:space:]]*deb[[:space:]]+(.*debian.*)$/deb-src \1/p' "$f" >>"$tmp"
  done
  if ! [[ -s $tmp ]]; then
    echo "cross setup: no Debian binary entry to copy; add a deb-src entry by hand" >&2
    rm -f "$tmp"; exit 1
  fi
  # Lines in one-line format go to a .list file, stanzas to a .sources file.
  if grep -q '^deb-src ' "$tmp"; then
    grep '^deb-src ' "$tmp" | $SUDO tee /etc/apt/sources.list.d/glitzfall-deb-src.list >/dev/null
  fi
  if grep -q '^Types:' "$tmp"; then
    grep -v '^deb-src ' "$tmp" | $SUDO tee "$src" >/dev/null
  fi
  rm -f "$tmp"
  wait_apt
  $SUDO apt-get update -qq >/dev/null
  updated=1
fi

missing=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "cross setup: installing ${missing[*]}" >&2
wait_apt
[[ $updated -eq 1 ]] || $SUDO apt-get update -qq >/dev/null
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
