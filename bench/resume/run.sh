#!/usr/bin/env bash
# Times three downloads of one story sharing a chapter store (the first, a re-run after a
# failed chapter, an update by two chapters) against the first, in the same run.
# Usage: bench/resume/run.sh BUILD_DIR [PAUSE_MS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run.sh BUILD_DIR [PAUSE_MS]}" && pwd)
cmake --build "$build" --target quillmain -j2 >/dev/null
exec python3 "$here/bench.py" "$build" "${2:-200}"
