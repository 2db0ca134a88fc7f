#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# tools/test_programs.sh [BUILD] - runs every test program of a plain Linux build (default: build/)
# once, directly: one process per program, where CTest starts one per test, so the whole suite
# takes about a minute instead of several. The quickest programs run first and the first failure
# ends the run (status 1), which is all the mutation sampler needs to know:
#
#   cmake -S . -B build-mutate -DGLITZ_DOCS=OFF -DGLITZ_BENCH=OFF && cmake --build build-mutate -j2
#   mutate.py --since <rev> --sample 60 --build 'tools/mutate_build.sh build-mutate' \
#       --test 'tools/test_programs.sh build-mutate'
#
# With DISPLAY unset it starts an Xvfb of its own for the window tests (as tools/test.sh does);
# SDL's dummy audio driver and Mesa's software renderer are used either way.
set -uo pipefail
cd "$(dirname "$0")/.."
BUILD=$(cd "${1:-build}" && pwd) || exit 2
[[ -d $BUILD/tests ]] || { echo "no test programs in $BUILD/tests" >&2; exit 2; }

if [[ -z ${DISPLAY:-} ]]; then
  for n in $(seq 141 190); do [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] || break; done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  trap 'kill $XVFB_PID 2>/dev/null' EXIT
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi
export SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1 LP_NUM_THREADS=0

# Quickest first (seconds on the 2-core build machine); a program not listed runs last.
QUICK=(test_var test_json test_app_input test_app_timer test_game_rules test_game_states
  test_gfx_geometry test_gui_widget test_platform test_files_catalogue test_gfx_catalogue
  test_files test_gui_style test_sound_layer test_gui_layout test_gui_text_input test_gfx_pixels
  test_clipboard_x11 test_e2e_program test_app_dispatch test_font test_sound_engine
  test_program test_e2e_game test_assets)
programs=("${QUICK[@]}")
for p in "$BUILD"/tests/test_*; do
  name=$(basename "$p")
  [[ -x $p && -f $p && " ${QUICK[*]} " != *" $name "* ]] && programs+=("$name")
done

log=$(mktemp)
trap 'rm -f "$log"; [[ -n ${XVFB_PID:-} ]] && kill $XVFB_PID 2>/dev/null' EXIT
for name in "${programs[@]}"; do
  [[ -x $BUILD/tests/$name ]] || continue
  if ! (cd "$BUILD/tests" && timeout 240 "./$name") >"$log" 2>&1; then
    echo "$name failed:"
    grep -E -A3 'Failure|FAILED|Sanitizer|Segmentation' "$log" | head -20
    exit 1
  fi
done
echo "every test program passed"
