#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# tools/mutate_build.sh BUILD - the mutation sampler's build command: builds BUILD, first marking
# the file the previous mutant changed as new again. The sampler puts each file back with its old
# time stamp (a copy that keeps it), so make would see the mutant's object file as up to date and
# keep it in every later program: every later mutant would then be judged with the earlier fault
# still inside. The file a mutant changes is the one the sampler has saved in .mutate-backup/.
# A mutant in a file BUILD does not compile ends with status 3 ("did not compile").
#
#   mutate.py --since <rev> --build 'tools/mutate_build.sh build-mutate' \
#       --test 'tools/test_programs.sh build-mutate'
set -uo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:?usage: tools/mutate_build.sh BUILD}
record=$BUILD/.mutated-file

if [[ -s $record ]]; then
  while read -r file; do [[ -f $file ]] && touch "$file"; done <"$record"
fi
rm -f "$record"
if [[ -d .mutate-backup ]]; then
  (cd .mutate-backup && find . -type f | sed 's#^\./##') >"$record"
  # A file this build never compiles (another platform's piece) cannot be judged by its tests:
  # such a mutant counts as one that did not compile here.
  while read -r file; do
    if ! grep -rqlF "$PWD/$file" "$BUILD" --include='*.make' 2>/dev/null; then
      echo "$file is not compiled in $BUILD" >&2
      exit 3
    fi
  done <"$record"
fi
cmake --build "$BUILD" -j "${JOBS:-2}"
