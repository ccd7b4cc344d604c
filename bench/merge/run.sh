#!/usr/bin/env bash
# Times our chapter merge against qpdf on the same files in the same run, and checks our
# peak memory for the long book. Usage: bench/merge/run.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run.sh BUILD_DIR}" && pwd)
cmake --build "$build" --target bench_merge -j2 >/dev/null
exec python3 "$here/bench.py" "$build"
