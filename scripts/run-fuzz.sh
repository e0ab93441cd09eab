#!/usr/bin/env bash
# Runs every libFuzzer program of a fuzzing build for a while each, seeded with the replay
# programs' generated inputs and with what earlier runs kept in fuzz/corpus/<target>.
# New inputs that reach new code are merged into fuzz/corpus/<target>, where "make test"
# replays them; a crash, leak or timeout leaves its input under <build>/findings and fails.
#
#   scripts/run-fuzz.sh BUILD_FOLDER SECONDS_PER_TARGET
set -uo pipefail
cd "$(dirname "$0")/.."

build=${1:?build folder}
seconds=${2:-600}
findings=0

for program in "$build"/bin/fuzz_*; do
    [ -x "$program" ] || continue
    name=${program##*/fuzz_}
    replay="$build/tests/fuzz_${name}_replay"
    seeds="$build/seeds/$name"
    fresh="$build/fresh/$name"
    corpus="fuzz/corpus/$name"
    mkdir -p "$seeds" "$fresh" "$corpus" "$build/findings"
    rm -f "$fresh"/*
    "$replay" --write-seeds "$seeds" >/dev/null || exit 1

    echo "== $name: fuzzing for $seconds s"
    # New inputs go to the first folder; the kept corpus and the seeds are only read.
    "$program" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$name-" "$fresh" "$corpus" "$seeds" \
        >"$build/findings/$name.log" 2>&1
    status=$?
    grep -E "^(stat::|Done|#[0-9]+ *DONE)" "$build/findings/$name.log" | tail -4
    if [ $status -ne 0 ]; then
        echo "!! $name: a finding (exit $status); see $build/findings/$name.log" >&2
        findings=$((findings + 1))
    fi

    # Keep only what adds coverage to the stored corpus.
    "$program" -merge=1 "$corpus" "$fresh" >>"$build/findings/$name.log" 2>&1
    echo "== $name: $(ls "$corpus" | wc -l) inputs kept in $corpus"
done

if [ $findings -ne 0 ]; then
    echo "$findings fuzz target(s) found a fault" >&2
    exit 1
fi
echo "no findings"
