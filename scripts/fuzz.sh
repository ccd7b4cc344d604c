#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang in build-fuzz, runs each for a fixed time
# starting from its committed inputs (fuzz/corpus/<target>/), then replays those inputs.
# New inputs a run finds stay in a temporary folder; a crash, a sanitizer report or a slow
# input ends the script with the input's path, to be fixed and committed as a regression
# input. Settings: QUILLBY_FUZZ_SECONDS (per target, default 30), QUILLBY_FUZZ_BUILD.
set -euo pipefail
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUILLBY_FUZZ_BUILD:-$repo_root/build-fuzz}
seconds=${QUILLBY_FUZZ_SECONDS:-30}

CC=clang-14 CXX=clang++-14 cmake -S "$repo_root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLBY_FUZZ=ON -DQUILLBY_GUI=OFF -DQUILLBY_TESTS=OFF -DQUILLBY_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target fuzzers

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1
for fuzzer in "$build"/fuzz/*; do
    [[ -x $fuzzer && -f $fuzzer ]] || continue
    name=$(basename "$fuzzer")
    corpus=$repo_root/fuzz/corpus/$name
    mkdir -p "$corpus" "$scratch/$name"
    dictionary=()
    [[ -f $repo_root/fuzz/$name.dict ]] && dictionary=(-dict="$repo_root/fuzz/$name.dict")
    echo "== $name: ${seconds} s from $(find "$corpus" -type f | wc -l) committed inputs"
    # Every input a page needs fits in 64 KB; no input may take 10 s (the downloader's
    # bound is 2 s for 8 MB).
    if ! "$fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$scratch/" "${dictionary[@]}" "$scratch/$name" "$corpus" \
        >"$scratch/$name.log" 2>&1; then
        tail -n 60 "$scratch/$name.log"
        artifacts=("$scratch"/crash-* "$scratch"/timeout-* "$scratch"/leak-* "$scratch"/oom-*)
        kept=$repo_root/fuzz/failed-$name
        mkdir -p "$kept"
        cp "${artifacts[@]}" "$kept"/ 2>/dev/null || true
        echo "$name found a failing input, kept in $kept; fix its cause and add it to $corpus" >&2
        exit 1
    fi
    grep -E "^stat::(number_of_executed_units|new_units_added)" "$scratch/$name.log" || true
    echo "== $name: replaying the committed inputs"
    "$fuzzer" -runs=0 -timeout=10 "$corpus" >"$scratch/$name.replay.log" 2>&1 ||
        { tail -n 60 "$scratch/$name.replay.log"; exit 1; }
done
echo "== fuzzing found nothing new to fix"
