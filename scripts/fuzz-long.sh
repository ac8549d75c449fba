#!/usr/bin/env bash
# A long fuzzing campaign, outside CI: runs every fuzz target (or the ones named) for
# SECONDS each, JOBS at a time, then merges the inputs that found new coverage into
# fuzz/corpus/<target>/ (only those that reach new edges, so the corpus stays small) and
# prints per target the executions run and any report.
#
#   bash scripts/fuzz-long.sh                       every target, one hour each
#   bash scripts/fuzz-long.sh 600                   ten minutes each
#   bash scripts/fuzz-long.sh 1500 FuzzEvaluator    only that target
#
# JOBS (default 2) runs that many targets side by side. A crash, leak, timeout or
# sanitizer report stops that target's run; its reproducer is kept in the target's
# scratch directory build/linux-fuzz/long/<target>/ and named in the summary. The
# exit status is 1 when any target reported.
set -uo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD

SECONDS_EACH=${1:-3600}
shift || true
JOBS=${JOBS:-2}
build=$root/build/linux-fuzz
long=$build/long

names=("$@")
if ((${#names[@]} == 0)); then
    for source in fuzz/*.cpp; do names+=("$(basename "$source" .cpp)"); done
fi

if [[ ! -f "$build/build.ninja" ]]; then cmake --preset linux-fuzz >/dev/null || exit 1; fi
cmake --build --preset linux-fuzz || exit 1

# campaign NAME: fuzzes one target into a scratch directory, then merges.
campaign() {
    local name=$1
    local binary=$build/fuzz/$name
    local scratch=$long/$name
    rm -rf "$scratch"
    mkdir -p "$scratch/new" "fuzz/corpus/$name"
    local options=(-max_total_time="$SECONDS_EACH" -timeout=20 -rss_limit_mb=4096
                   -print_final_stats=1 -artifact_prefix="$scratch/")
    if [[ -f "fuzz/$name.dict" ]]; then options+=(-dict="$root/fuzz/$name.dict"); fi
    # New inputs go to the first directory; the checked-in corpus is only read.
    (cd "$scratch" && "$binary" "${options[@]}" new "$root/fuzz/corpus/$name") \
        >"$scratch/fuzz.log" 2>&1
    local rc=$?
    local before after
    before=$(find "fuzz/corpus/$name" -type f | wc -l)
    # Only inputs that reach an edge the corpus does not, and as few as cover them: hit
    # counts alone would keep a thousand near-copies.
    "$binary" -set_cover_merge=1 -use_counters=0 -rss_limit_mb=4096 "fuzz/corpus/$name" \
        "$scratch/new" >"$scratch/merge.log" 2>&1
    after=$(find "fuzz/corpus/$name" -type f | wc -l)
    {
        local executions
        executions=$(grep -Eo 'stat::number_of_executed_units: [0-9]+' "$scratch/fuzz.log" |
            awk '{ print $2 }' | tail -n 1)
        echo "$name: ${executions:-?} executions in ${SECONDS_EACH}s, exit $rc," \
            "corpus $before -> $after"
        local artifacts
        artifacts=$(find "$scratch" -maxdepth 1 -type f \
            \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | sort)
        if ((rc != 0)) || [[ -n "$artifacts" ]]; then
            echo "  REPORT (log $scratch/fuzz.log):"
            grep -E '==[0-9]+==ERROR|SUMMARY|runtime error:|deadly signal|^Fuzz[A-Za-z]+: ' \
                "$scratch/fuzz.log" | head -n 8 | sed 's/^/    /'
            for artifact in $artifacts; do echo "    reproducer: $artifact"; done
        fi
    } >"$scratch/summary"
    ((rc == 0))
}

mkdir -p "$long"
failed=0
running=0
for name in "${names[@]}"; do
    if ((running == JOBS)); then
        wait -n || failed=1
        running=$((running - 1))
    fi
    echo "fuzzing $name for ${SECONDS_EACH}s"
    campaign "$name" &
    running=$((running + 1))
done
while ((running > 0)); do
    wait -n || failed=1
    running=$((running - 1))
done

echo
echo "=== fuzz campaign, ${SECONDS_EACH}s per target ==="
for name in "${names[@]}"; do cat "$long/$name/summary"; done
exit $failed
