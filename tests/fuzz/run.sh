#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Builds the json_parse fuzz target with clang (libFuzzer, ASan, UBSan) into build-fuzz/ and runs
# it for a bounded time on the seed corpus. Exits non-zero when it finds a crash, leak or hang.
# Usage: tests/fuzz/run.sh [seconds]      (default 40; finds land in build-fuzz/json/)
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
SECONDS_TO_RUN=${1:-40}
OUT=$ROOT/build-fuzz/json
mkdir -p "$OUT/corpus"
CXX=${FUZZ_CXX:-clang++}
command -v "$CXX" >/dev/null || { echo "fuzz: $CXX not found" >&2; exit 1; }

"$CXX" -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$ROOT" -o "$OUT/fuzz_json" \
  tests/fuzz/fuzz_json.cpp util/zev_json.cpp util/zev_var.cpp ext/json/JSON_parser.cpp

# Seeds plus the regression inputs kept from earlier finds (tests/fuzz/regress/).
cp -f tests/fuzz/corpus/* "$OUT/corpus/"
SEEDS=("$OUT/corpus")
[[ -d tests/fuzz/regress ]] && SEEDS+=("$ROOT/tests/fuzz/regress")
cd "$OUT"
set +e
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ./fuzz_json -max_total_time="$SECONDS_TO_RUN" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -close_fd_mask=2 -print_final_stats=1 "${SEEDS[@]}" 2>&1 | tail -n 25
status=${PIPESTATUS[0]}
if [[ $status -ne 0 ]]; then
  echo "fuzz: json_parse failed (status $status); the input is in $OUT (crash-*, leak-*, timeout-*)" >&2
  exit 1
fi
echo "fuzz: json_parse clean for ${SECONDS_TO_RUN}s"
