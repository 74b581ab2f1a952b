#!/usr/bin/env bash
# fuzz.sh [SECONDS]     fuzz the request reader for SECONDS (default 60)
# fuzz.sh merge         add to the seed corpus what the runs found that
#                       reaches code the seeds do not (keeps it small)
# Builds the preset "fuzz" (clang's libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs its one target over the seeds in
# tests/kavroserve/corpus. New inputs go to build/fuzz/found, never into
# the seeds; an input that fails is left in build/fuzz/crashes and the
# script fails. The corpus is replayed by every native test run
# (kavroserve_corpus_replay), so what a merge adds stays checked.
set -euo pipefail
cd "$(dirname "$0")/.."
seeds=tests/kavroserve/corpus
found=build/fuzz/found
crashes=build/fuzz/crashes
mode=${1:-60}
case $mode in
merge) ;;
*[!0-9]* | "") echo "usage: fuzz.sh [SECONDS] | fuzz.sh merge" >&2; exit 2 ;;
esac

command -v clang++ >/dev/null || { echo "fuzz: clang++ is missing (bash scripts/setup.sh)" >&2; exit 1; }
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target request_fuzz
fuzzer=build/fuzz/tests/kavroserve/fuzz/request_fuzz
mkdir -p "$found" "$crashes"

if [ "$mode" = merge ]; then
    # Edges alone, not how often each is taken: the fewest files.
    "$fuzzer" -merge=1 -use_counters=0 -max_len=9000 "$seeds" "$found"
    echo "fuzz: $(ls "$seeds" | wc -l) inputs in $seeds"
    exit 0
fi
# Heads up to 9000 bytes reach past the 8 KiB limit; -timeout catches a
# reader that loops (an input takes microseconds).
"$fuzzer" -max_total_time="$mode" -max_len=9000 -timeout=10 -print_final_stats=1 \
    -dict=tests/kavroserve/fuzz/http.dict -artifact_prefix="$crashes/" "$found" "$seeds"
echo "fuzz: no failure in $mode s; found inputs in $found (fuzz.sh merge adds the useful ones)"
