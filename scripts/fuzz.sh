#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS per target (default 60); every target when none is named. Each run
# starts from the seeds in fuzz/corpus/TARGET; what it finds goes to a
# scratch directory (FUZZ_WORK_DIR, else a temporary one removed at the end),
# never to the repository. Exits non-zero when any target fails; the failing
# input and the log are then kept in the scratch directory.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(date_parse compare_dates cookie_row cache_walk konqueror_files)
fi

build=$root/build-fuzz
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVALLA_FUZZ=ON -DORVALLA_BUILD_TESTS=OFF -DORVALLA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target orvalla_fuzzers >/dev/null

keep_work=1
work=${FUZZ_WORK_DIR:-}
if [ -z "$work" ]; then
    work=$(mktemp -d "${TMPDIR:-/tmp}/orvalla-fuzz.XXXXXX")
    keep_work=0
fi
mkdir -p "$work"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for target in "${targets[@]}"; do
    corpus=$work/corpus/$target
    artifacts=$work/artifacts/$target/
    mkdir -p "$corpus" "$artifacts"
    dict=()
    case $target in
        date_parse | compare_dates) dict=(-dict="$root/fuzz/dates.dict") ;;
    esac
    log=$work/$target.log
    status=0
    # The fuzzers keep their temporary stores under TMPDIR.
    TMPDIR=$work "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts" "${dict[@]}" \
        "$corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    if [ "$status" -eq 0 ]; then
        echo "fuzz $target: ${runs:-?} runs in ${seconds} s, no failure"
    else
        echo "fuzz $target: FAILED (exit $status); log $log, input in $artifacts"
        grep -E 'property failed|ERROR:|runtime error|SUMMARY' "$log" | head -5 || true
        failed+=("$target")
        keep_work=1
    fi
done

if [ "$keep_work" -eq 0 ]; then
    rm -rf "$work"
fi
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing failed: ${failed[*]}"
    exit 1
fi
echo "fuzzing: ${#targets[@]} targets, no failure"
