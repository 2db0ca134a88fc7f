#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Builds and runs every test: the plain build, the sanitizer build (ASan with leak checking and
# UBSan), the installed game and its Debian package (tools/check_install.sh), a bounded fuzzing
# run, the Windows build's tests under wine, and the browser build (tools/web/build.sh): its test
# programs under node and the game's page in headless Chromium (tests/web/browser_test.mjs).
# Each package is checked against the licence texts it carries (tools/licence_check.py).
# Tests that need a window run under an Xvfb server started here.
# Usage: tools/test.sh        (from anywhere; builds in build/, build-asan/, build-win/, build-web/)
#        tools/test.sh --no-windows   without the Windows build and its tests under wine
#        tools/test.sh --no-browser   without Chromium (the web test programs still run under node)
#        tools/test.sh --no-web       without the browser build at all
#            (the three flags combine, for a quicker local run)
#        tools/test.sh --repeat N [--asan] PROGRAM...
#            builds the plain build (with --asan the sanitizer build) and runs each named test program
#            (e.g. test_e2e_game) N times in a row, each run a fresh client of the X server, and
#            reports how many runs passed.
# The X server is started without -noreset: it resets whenever its last client leaves, as a
# user's own server may, and the window tests must not depend on its timing. Its display number is
# the first free one from 91, or XVFB_DISPLAY.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
JOBS=${JOBS:-$(nproc)}

WINDOWS=1
REPEAT=0
REPEAT_DIR=build
web=1
browser=1
while [[ ${1:-} == --no-windows || ${1:-} == --no-web || ${1:-} == --no-browser ]]; do
  case $1 in
    --no-windows) WINDOWS=0 ;;
    --no-web) web=0; browser=0 ;;
    --no-browser) browser=0 ;;
  esac
  shift
done
if [[ ${1:-} == --repeat ]]; then
  REPEAT=${2:-}
  shift 2 2>/dev/null
  [[ ${1:-} == --asan ]] && { REPEAT_DIR=build-asan; shift; }
  if ! [[ $REPEAT =~ ^[1-9][0-9]*$ ]] || [[ $# -eq 0 ]]; then
    echo "usage: tools/test.sh --repeat N [--asan] PROGRAM..." >&2
    exit 2
  fi
fi

[[ $REPEAT -gt 0 ]] && { WINDOWS=0; web=0; browser=0; }
setup_args=()
[[ $WINDOWS -eq 1 ]] || setup_args+=(--no-windows)
[[ $web -eq 1 ]] || setup_args+=(--no-web)
bash tools/setup.sh "${setup_args[@]}" || { echo "setup failed" >&2; exit 1; }

build() { # preset of CMakePresets.json
  cmake --preset "$1" >/dev/null &&
    cmake --build --preset "$1" -j "$JOBS" 2>&1 | grep -E 'warning|error|Error' ; return "${PIPESTATUS[0]}"
}

if [[ $REPEAT_DIR == build ]]; then
  echo "== build (plain)"
  # A folder tools/run.sh made has the tests and the reference off: the preset switches them on again.
  build plain || { echo "build failed" >&2; exit 1; }
fi
if [[ $REPEAT -eq 0 || $REPEAT_DIR == build-asan ]]; then
  echo "== build (sanitizers)"
  build sanitize || { echo "sanitizer build failed" >&2; exit 1; }
fi

# The Windows build (the libraries from Debian's sources, cached outside the tree; the game, the
# test programs and the zip and installer in build-win/).
if [[ $WINDOWS -eq 1 ]]; then
  echo "== build (windows)"
  start=$SECONDS
  JOBS=$JOBS bash tools/cross/build.sh windows || { echo "windows build failed" >&2; exit 1; }
  echo "windows build: $((SECONDS - start)) s"
fi

# A private X server for the window tests.
for n in ${XVFB_DISPLAY:-$(seq 91 140)}; do [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] || break; done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
trap 'kill $XVFB_PID 2>/dev/null' EXIT
export DISPLAY=":$n"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
export SDL_AUDIODRIVER=dummy
export LIBGL_ALWAYS_SOFTWARE=1
# llvmpipe draws on the calling thread: no rasterizer threads alive at exit, where the leak
# checker's thread-stopping tracer sometimes crashed on them under load.
export LP_NUM_THREADS=0
sanitizer_env() {
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  export LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp:print_suppressions=0"
}

if [[ $REPEAT -gt 0 ]]; then
  status=0
  [[ $REPEAT_DIR == build-asan ]] && sanitizer_env
  log=$(mktemp)
  for prog in "$@"; do
    [[ -x $ROOT/$REPEAT_DIR/tests/$prog ]] || { echo "$prog: no such test program in $REPEAT_DIR/tests" >&2; status=1; continue; }
    ok=0
    for i in $(seq "$REPEAT"); do
      if (cd "$ROOT/$REPEAT_DIR/tests" && timeout 300 "./$prog") >"$log" 2>&1; then
        ok=$((ok + 1))
      else
        echo "-- $prog, run $i failed:"
        grep -E -A4 'Failure|FAILED|Sanitizer' "$log" | head -30
      fi
    done
    echo "$prog: $ok of $REPEAT runs passed"
    [[ $ok -eq $REPEAT ]] || status=1
  done
  rm -f "$log"
  exit $status
fi

passed=0; failed=0
run_ctest() { # dir, label
  local log; log=$(mktemp)
  echo "== tests ($2)"
  ctest --test-dir "$ROOT/$1" --output-on-failure -j "$JOBS" --timeout 300 2>&1 | tee "$log" | grep -v -E '^\s*[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed'
  local line; line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  local total f
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line"); f=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
  if [[ -z "$line" ]]; then failed=$((failed + 1)); else passed=$((passed + total - f)); failed=$((failed + f)); fi
  rm -f "$log"
}

run_ctest build plain

echo "== installed game and Debian package"
install_log=$(bash tools/check_install.sh "$ROOT/build"); install_rc=$?
echo "$install_log"
n_ok=$(grep -c '^ok:' <<<"$install_log"); n_fail=$(grep -c '^FAIL:' <<<"$install_log")
[[ $install_rc -ne 0 && $n_fail -eq 0 ]] && n_fail=1
passed=$((passed + n_ok)); failed=$((failed + n_fail))

licence_log=$(python3 tools/licence_check.py source "$ROOT" 2>&1); echo "$licence_log"
if [[ $licence_log == ok:* ]]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== framework example (staged install, find_package, pkg-config)"
if bash tools/example_check.sh build; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "example check failed"; fi

sanitizer_env
run_ctest build-asan sanitizers

if [[ -x tests/fuzz/run.sh ]]; then
  echo "== fuzzing"
  if bash tests/fuzz/run.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
fi

if [[ $WINDOWS -eq 1 ]]; then
  # Under wine on the same X server: the unit test programs through CTest (each run by wine, the
  # CMake emulator), then the game, its messages on bad input, and the installer.
  start=$SECONDS
  unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS
  . tools/cross/wine_env.sh build-win
  trap 'wine_stop; kill $XVFB_PID 2>/dev/null' EXIT   # the wine server outlives its programs
  run_ctest build-win "windows, under wine"
  echo "== game and installer (windows, under wine)"
  wine_log=$(bash tools/cross/wine_check.sh build-win build); wine_rc=$?
  echo "$wine_log"
  n_ok=$(grep -c '^ok:' <<<"$wine_log"); n_fail=$(grep -c '^FAIL:' <<<"$wine_log")
  [[ $wine_rc -ne 0 && $n_fail -eq 0 ]] && n_fail=1
  passed=$((passed + n_ok)); failed=$((failed + n_fail))
  wine_stop
  echo "== licences (windows zip, and the folder the installer packs)"
  win_dist=$(ls -d build-win/dist/glitzfall-*/ | head -1)
  licence_log=$(for pkg in build-win/dist/glitzfall-*-win64.zip "$win_dist"; do
    python3 tools/licence_check.py windows --map build-win/glitzfall.map --exe build-win/glitzfall.exe "$pkg"
  done 2>&1)
  echo "$licence_log"
  passed=$((passed + $(grep -c '^ok:' <<<"$licence_log"))); failed=$((failed + $(grep -c '^FAIL:' <<<"$licence_log")))
  [[ $licence_log == *ok:* ]] || failed=$((failed + 1))
  echo "windows tests: $((SECONDS - start)) s"
fi

if [[ $web -eq 1 ]]; then
  web_start=$SECONDS
  echo "== web build (emscripten)"
  if JOBS=$JOBS bash tools/web/build.sh; then
    # The window tests skip without DISPLAY: under node there is no page to draw into.
    x_display=$DISPLAY; unset DISPLAY
    run_ctest build-web "web, under node"
    export DISPLAY=$x_display
    # Each program built for the web runs as many tests as its desktop build.
    counts_ok=1
    for js in build-web/tests/test_*.js; do
      prog=$(basename "$js" .js)
      [[ -x build/tests/$prog ]] || continue   # a web-only program
      n_web=$(node --no-experimental-fetch "$js" --gtest_list_tests 2>/dev/null | grep -c '^  ')
      n_desk=$(build/tests/"$prog" --gtest_list_tests 2>/dev/null | grep -c '^  ')
      [[ $n_web -eq $n_desk ]] || { echo "$prog: $n_web tests on the web, $n_desk on the desktop"; counts_ok=0; }
    done
    if [[ $counts_ok -eq 1 ]]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
    echo "== licences (the web page)"
    licence_log=$(python3 tools/licence_check.py web --map build-web/glitzfall.map build-web/dist 2>&1)
    echo "$licence_log"
    passed=$((passed + $(grep -c '^ok:' <<<"$licence_log"))); failed=$((failed + $(grep -c '^FAIL:' <<<"$licence_log")))
    [[ $licence_log == *ok:* ]] || failed=$((failed + 1))
    if [[ $browser -eq 1 ]]; then
      echo "== the page in headless Chromium"
      browser_log=$(node tests/web/browser_test.mjs build-web/dist --desktop build/glitzfall 2>&1); browser_rc=$?
      echo "$browser_log"
      n_ok=$(grep -c '^ok:' <<<"$browser_log"); n_fail=$(grep -c '^FAIL:' <<<"$browser_log")
      [[ $browser_rc -ne 0 && $n_fail -eq 0 ]] && n_fail=1
      passed=$((passed + n_ok)); failed=$((failed + n_fail))
    fi
  else
    echo "web build failed" >&2
    failed=$((failed + 1))
  fi
  echo "(the web build and its tests took $((SECONDS - web_start)) s)"
fi

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
