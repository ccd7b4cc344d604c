#!/usr/bin/env bash
# Times quillby --update-all over a library of 20 kept stories, 2 of which grew, against
# downloading the two grown stories alone, in the same run.
# Usage: bench/library/run.sh BUILD_DIR [PAUSE_MS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run.sh BUILD_DIR [PAUSE_MS]}" && pwd)
cmake --build "$build" --target quillby quillmain quillrender -j2 >/dev/null
exec python3 "$here/bench.py" "$build" "${2:-200}"
