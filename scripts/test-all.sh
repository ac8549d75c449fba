#!/usr/bin/env bash
# Configures, builds and tests every preset, stopping at the first failure.
#
#   bash scripts/test-all.sh                  every preset
#   bash scripts/test-all.sh linux mingw64    only these
#   CLEAN=1 bash scripts/test-all.sh          from empty build directories
#
# FUZZ_SECONDS (default 40) bounds each fuzz target's run; BENCH_MIN_TIME (default 0.01)
# is the benchmark smoke run's minimum time per benchmark, in seconds.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD

FUZZ_SECONDS=${FUZZ_SECONDS:-30}
BENCH_MIN_TIME=${BENCH_MIN_TIME:-0.01}
# intercept_tls_get_addr=0: the leak checker's own record of the thread-local blocks of a
# loaded module (the tests and orvel-ee load orveldbg) goes wrong on this system's C
# library, and its tracer then dies reading a bogus range at exit ("Tracer caught
# signal 11"). None of our thread-locals holds heap memory, so nothing goes unscanned.
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1:intercept_tls_get_addr=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# The plain Debug linux preset runs the same cases as linux-asan; it stays for development
# and mutation runs but is not part of the full run.
# dap drives orvel-ee's Debug Adapter Protocol server, as built by linux-asan (so it runs
# under the sanitizers), with the client suite in tests/dap.
# linux-tsan builds only the test program and runs it under ThreadSanitizer, in two shards.
all_presets=(linux-asan dap linux-tsan mingw64 mingw32 linux-fuzz linux-release)
presets=("$@")
if ((${#presets[@]} == 0)); then presets=("${all_presets[@]}"); fi

timings=()
tests_passed=0
tests_failed=0
run_started=$SECONDS

print_timings() {
    echo
    echo "=== timings ==="
    local line
    for line in "${timings[@]}"; do echo "  $line"; done
    read_cpu
    echo "  all stages: $((SECONDS - run_started))s wall, ${cpu}s cpu"
}
on_exit() {
    local status=$?
    if ((status != 0)); then
        print_timings
        echo "test-all: FAILED (exit $status)"
    fi
}
trap on_exit EXIT

# Sets cpu to the CPU seconds used so far by the commands this script started; beside the
# wall time it shows whether a slow stage was busy or waiting for a shared machine.
# `times` must run in this shell, not in a $(...) subshell, to see those commands.
cpu=0
read_cpu() {
    times >"$root/build/.test-all-times"
    cpu=$(awk 'NR == 2 { split($1, u, /[ms]/); split($2, s, /[ms]/)
                         printf "%d", u[1] * 60 + u[2] + s[1] * 60 + s[2] }' \
        "$root/build/.test-all-times")
}

# stage NAME COMMAND...: runs and times one step.
stage() {
    local name=$1 started=$SECONDS cpu_started
    shift
    read_cpu
    cpu_started=$cpu
    echo
    echo "=== $name ==="
    "$@"
    read_cpu
    timings+=("$(printf '%-28s %5ds wall %5ds cpu' "$name" $((SECONDS - started)) \
        $((cpu - cpu_started)))")
}

configure() {
    local preset=$1
    if [[ "${CLEAN:-0}" == 1 ]]; then rm -rf "build/$preset"; fi
    cmake --preset "$preset"
}

# Runs ctest for a preset and adds its counts to the run's totals.
run_ctest() {
    local preset=$1 log="build/$1/ctest.log" counts
    ctest --preset "$preset" 2>&1 | tee "$log"
    counts=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
    local failed=${counts%% *} total=${counts##* }
    tests_failed=$((tests_failed + failed))
    tests_passed=$((tests_passed + total - failed))
    # Where a ctest entry is a GoogleTest shard, say how many cases ran in them.
    if [[ "$preset" == mingw* || "$preset" == linux-asan || "$preset" == linux-tsan ]]; then
        awk '/^\[  PASSED  \] [0-9]+ test/ { n += $4 } END { printf "%d cases passed in the shards\n", n }' \
            "build/$preset/Testing/Temporary/LastTest.log"
    fi
}

fuzz_targets() {
    local sources=() source
    shopt -s nullglob
    sources=(fuzz/*.cpp)
    shopt -u nullglob
    for source in "${sources[@]}"; do basename "$source" .cpp; done
}

# fuzz_one NAME: fuzzes one target for FUZZ_SECONDS in a scratch directory of its own,
# so that two can run side by side; fails on any report.
fuzz_one() {
    local name=$1
    local binary="$root/build/linux-fuzz/fuzz/$name"
    local scratch="$root/build/linux-fuzz/run/$name"
    rm -rf "$scratch"
    mkdir -p "$scratch/corpus"
    if [[ -d "fuzz/corpus/$name" ]]; then cp -R "fuzz/corpus/$name/." "$scratch/corpus/"; fi
    local options=(-max_total_time="$FUZZ_SECONDS" -timeout=20 -rss_limit_mb=4096
                   -print_final_stats=1 -artifact_prefix="$scratch/")
    if [[ -f "fuzz/$name.dict" ]]; then options+=(-dict="$root/fuzz/$name.dict"); fi

    echo "fuzzing $name for ${FUZZ_SECONDS}s ($(find "$scratch/corpus" -type f | wc -l) seed inputs)"
    local rc=0
    (cd "$scratch" && "$binary" "${options[@]}" corpus) >"$scratch/fuzz.log" 2>&1 || rc=$?
    local artifacts
    artifacts=$(find "$scratch" -maxdepth 1 -type f \
        \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | sort)
    if ((rc != 0)) || [[ -n "$artifacts" ]] ||
        grep -qE '==[0-9]+==ERROR|runtime error:|deadly signal' "$scratch/fuzz.log"; then
        tail -n 60 "$scratch/fuzz.log"
        echo "fuzz: $name FAILED (exit $rc); log $scratch/fuzz.log" >&2
        if [[ -n "$artifacts" ]]; then echo "reproducers:" >&2 && echo "$artifacts" >&2; fi
        return 1
    fi
    echo "fuzz: $name"
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$scratch/fuzz.log" || true
}

# Fuzzes every target, two at a time (one per core), from a scratch copy of its checked-in
# corpus, so the run never adds to fuzz/corpus/. Any crash, leak, timeout or sanitizer
# report fails.
run_fuzz() {
    local names=() name failed=0 running=0
    mapfile -t names < <(fuzz_targets)
    if ((${#names[@]} == 0)); then
        echo "fuzz: no fuzz targets yet"
        return 0
    fi
    mkdir -p "$root/build/linux-fuzz/run"
    for name in "${names[@]}"; do
        if ((running == 2)); then
            wait -n || failed=1
            running=$((running - 1))
        fi
        fuzz_one "$name" >"$root/build/linux-fuzz/run/$name.out" 2>&1 &
        running=$((running + 1))
    done
    while ((running > 0)); do
        wait -n || failed=1
        running=$((running - 1))
    done
    for name in "${names[@]}"; do cat "$root/build/linux-fuzz/run/$name.out"; done
    return $failed
}

run_dap() {
    local tool="$root/build/linux-asan/tools/orvel-ee/orvel-ee"
    if [[ ! -x "$tool" ]]; then
        echo "dap: no $tool; build the linux-asan preset first" >&2
        return 1
    fi
    local log="$root/build/dap-test.log" passed failed
    (cd tests/dap && npm ci --no-audit --no-fund && ORVEL_EE="$tool" npm test) 2>&1 | tee "$log"
    passed=$(grep -Eo '[0-9]+ passing' "$log" | tail -n 1 | cut -d' ' -f1 || true)
    failed=$(grep -Eo '[0-9]+ failing' "$log" | tail -n 1 | cut -d' ' -f1 || true)
    tests_passed=$((tests_passed + ${passed:-0}))
    tests_failed=$((tests_failed + ${failed:-0}))
}

run_bench() {
    local binary=build/linux-release/bench/orvel_bench
    if ! compgen -G "bench/*.cpp" >/dev/null; then
        echo "bench: no benchmarks yet"
        return 0
    fi
    "$binary" --benchmark_min_time="$BENCH_MIN_TIME"
}

mkdir -p build
stage "install-deps" bash scripts/install-deps.sh

for preset in "${presets[@]}"; do
    case "$preset" in
    linux | linux-asan | linux-tsan)
        stage "$preset configure" configure "$preset"
        stage "$preset build" cmake --build --preset "$preset"
        stage "$preset test" run_ctest "$preset"
        ;;
    mingw64 | mingw32)
        stage "$preset configure" configure "$preset"
        stage "$preset build" cmake --build --preset "$preset"
        # Separate from the tests so that its one-off cost shows in the timings.
        stage "$preset wine prefix" "build/$preset/wine-run.sh" --init
        stage "$preset test (Wine)" run_ctest "$preset"
        ;;
    dap)
        stage "dap test" run_dap
        ;;
    linux-fuzz)
        stage "$preset configure" configure "$preset"
        stage "$preset build" cmake --build --preset "$preset"
        stage "$preset run" run_fuzz
        ;;
    linux-release)
        stage "$preset configure" configure "$preset"
        stage "$preset build" cmake --build --preset "$preset"
        stage "$preset bench" run_bench
        ;;
    *)
        echo "test-all: unknown preset '$preset' (known: ${all_presets[*]})" >&2
        exit 2
        ;;
    esac
done

print_timings
echo "total: $tests_passed passed, $tests_failed failed"
