#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
# Idempotent: when everything is present it only checks and exits quietly.
# Also installs the Windows cross toolchain, wine and NSIS (tools/cross/setup.sh windows) unless
# called with --no-windows, and emscripten, node and chromium for the browser build
# (tools/cross/setup.sh web) unless called with --no-web.
set -euo pipefail
cd "$(dirname "$0")/.."
windows=1
web=1
for arg in "$@"; do
  case $arg in
    --no-windows) windows=0 ;;
    --no-web) web=0 ;;
    *) echo "usage: tools/setup.sh [--no-windows] [--no-web]" >&2; exit 2 ;;
  esac
done

PACKAGES=(
  build-essential cmake pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl1.2-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libx11-dev
  libstb-dev
  libvorbis-dev libogg-dev libxmp-dev libsndfile1-dev
  libfreetype-dev fonts-dejavu-core
  nlohmann-json3-dev rapidjson-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool xclip x11-utils imagemagick
  desktop-file-utils appstream lintian man-db groff-base fakeroot file
)

missing=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  SUDO=""
  [[ $(id -u) -eq 0 ]] || SUDO="sudo"
  echo "setup: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq >/dev/null
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [[ $windows -eq 1 ]]; then
  bash tools/cross/setup.sh windows
fi
if [[ $web -eq 1 ]]; then
  bash tools/cross/setup.sh web
  # puppeteer-core for the browser test, at the versions of the committed package-lock.json.
  # Installed again when the lock file changed since the last install.
  if [[ ! -d tests/web/node_modules/puppeteer-core ||
        tests/web/package-lock.json -nt tests/web/node_modules/.package-lock.json ]]; then
    echo "setup: installing the browser test's npm packages (tests/web)" >&2
    (cd tests/web && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
  fi
fi
