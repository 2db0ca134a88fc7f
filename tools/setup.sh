#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Installs the Debian packages the project needs. Idempotent: when everything is present it only
# checks and exits quietly.
#   tools/setup.sh           everything the test command builds and runs: the Linux build, its
#                            tests, sanitizers, documentation and packaging checks, the Windows
#                            cross toolchain, wine and NSIS (tools/cross/setup.sh windows), and
#                            emscripten, node and chromium for the browser build (tools/cross/
#                            setup.sh web) with the browser test's npm packages
#   tools/setup.sh --game    only what building and playing the Linux game needs (tools/run.sh):
#                            a compiler, CMake, SDL 1.2, OpenGL, the codecs, FreeType and the font
#   --no-windows, --no-web   leave out one of the cross toolchains
set -euo pipefail
cd "$(dirname "$0")/.."
windows=1
web=1
game_only=0
for arg in "$@"; do
  case $arg in
    --game) game_only=1; windows=0; web=0 ;;
    --no-windows) windows=0 ;;
    --no-web) web=0 ;;
    *) echo "usage: tools/setup.sh [--game | --no-windows | --no-web]" >&2; exit 2 ;;
  esac
done

# What the game needs to build (its data is generated at build time: FreeType and the DejaVu
# font for the bitmap fonts, libvorbisenc for the sounds) and to run (Mesa's drivers).
GAME_PACKAGES=(
  build-essential cmake pkg-config
  libsdl1.2-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libx11-dev
  libstb-dev
  libvorbis-dev libogg-dev libxmp-dev libsndfile1-dev
  libfreetype-dev fonts-dejavu-core
)
# ...and what the tests, benchmarks, documentation and package checks add.
TEST_PACKAGES=(
  git libgtest-dev libgmock-dev libbenchmark-dev
  doxygen
  nlohmann-json3-dev rapidjson-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool xclip x11-utils imagemagick python3
  desktop-file-utils appstream lintian man-db groff-base fakeroot file
)
PACKAGES=("${GAME_PACKAGES[@]}")
[[ $game_only -eq 1 ]] || PACKAGES+=("${TEST_PACKAGES[@]}")

# Runs a package-manager command; while another apt or dpkg holds the lock, says so once and
# tries again every few seconds (for up to 30 minutes). Any other failure ends the set-up.
LOCK_RE='[Cc]ould not get lock|[Uu]nable to (acquire|lock)|frontend lock|database is locked|lock was locked'
with_lock() {
  local err said=0 tries=0
  err=$(mktemp)
  until "$@" >/dev/null 2>"$err"; do
    if ! grep -Eq "$LOCK_RE" "$err" || [[ $tries -ge 600 ]]; then
      cat "$err" >&2
      rm -f "$err"
      return 1
    fi
    if [[ $said -eq 0 ]]; then
      echo "setup: waiting for another package manager to finish (it holds the dpkg/apt lock)" >&2
      said=1
    fi
    tries=$((tries + 1))
    sleep 3
  done
  rm -f "$err"
}

# installed: nothing to do; unpacked but not (fully) configured: dpkg --configure -a finishes it;
# anything else (unknown, removed, half-installed): apt installs it.
missing=()
unconfigured=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  case "$status" in
    "install ok installed" | "hold ok installed") ;;
    *" unpacked" | *" half-configured" | *" triggers-awaited" | *" triggers-pending") unconfigured+=("$p") ;;
    *) missing+=("$p") ;;
  esac
done
cross_setup() {
  if [[ $windows -eq 1 ]]; then bash tools/cross/setup.sh windows; fi
  if [[ $web -eq 1 ]]; then
    bash tools/cross/setup.sh web
    # puppeteer-core for the browser test, at the versions of the committed package-lock.json;
    # installed again when the lock file changed since the last install.
    if [[ ! -d tests/web/node_modules/puppeteer-core ||
          tests/web/package-lock.json -nt tests/web/node_modules/.package-lock.json ]]; then
      echo "setup: installing the browser test's npm packages (tests/web)" >&2
      (cd tests/web && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
    fi
  fi
}
[[ ${#missing[@]} -eq 0 && ${#unconfigured[@]} -eq 0 ]] && { cross_setup; exit 0; }

SUDO=""
[[ $(id -u) -eq 0 ]] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if [[ ${#unconfigured[@]} -gt 0 ]]; then
  echo "setup: configuring ${unconfigured[*]}" >&2
  with_lock $SUDO dpkg --configure -a
fi
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "setup: installing ${missing[*]}" >&2
  with_lock $SUDO apt-get update -qq
  with_lock $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
cross_setup
