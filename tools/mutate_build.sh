#!/usr/bin/env bash
# tools/mutate_build.sh BUILD - the mutation sampler's build command: builds BUILD, first marking
# the file the previous mutant changed as new again. The sampler puts each file back with its old
# time stamp (a copy that keeps it), so make would see the mutant's object file as up to date and
# keep it in every later program: every later mutant would then be judged with the earlier fault
# still inside. The file a mutant changes is the one the sampler has saved in .mutate-backup/.
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
fi
cmake --build "$BUILD" -j "${JOBS:-2}"
