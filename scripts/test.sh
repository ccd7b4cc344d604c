#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: the whole suite once, then the non-GUI
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzzer for a
# short fixed time and its committed regression inputs.
set -euo pipefail
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo_root"

"$repo_root/scripts/setup.sh"

# No display here: Qt and the HTML engine draw offscreen.
export QT_QPA_PLATFORM=offscreen
if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
    export XDG_RUNTIME_DIR=$repo_root/.cache/runtime
    mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
fi

echo "== building"
"$repo_root/scripts/build.sh" "$repo_root/build"
echo "== running the tests"
ctest --test-dir "$repo_root/build" --output-on-failure -j2 --timeout 300

echo "== building the non-GUI tests with the sanitizers"
cmake -S "$repo_root" -B "$repo_root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug \
    -DQUILLBY_SANITIZE=ON -DQUILLBY_GUI=OFF -DQUILLBY_BENCH=OFF >/dev/null
cmake --build "$repo_root/build-sanitize" -j"$(nproc)" --target downloader_tests support_tests common_tests library_tests core_tests quillmain
echo "== running the non-GUI tests with the sanitizers"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$repo_root/build-sanitize" --output-on-failure -j2 -L nongui --timeout 300

echo "== fuzzing (about 30 s per target) and replaying the regression inputs"
"$repo_root/scripts/fuzz.sh"
