#!/bin/sh
# Usage: bench/pipeline/run.sh BUILD_DIR [--chapters 100|1000] [--pause MS] [--rounds R] [--builds B]
#        bench/pipeline/run.sh BUILD_DIR --update [--pause MS] [--rounds R] [--builds B]
# Downloads a simulator story with a short chapter pause and prints the time from the
# downloader's end ("done") to the saved book, next to a whole build of the same chapter
# files with an empty render cache, and the wall time against the CPU time of a whole build
# with one render worker and with one per processor.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -lt 1 ]; then
    echo "usage: $0 BUILD_DIR [--chapters 100|1000] [--pause MS] [--rounds R]" >&2
    exit 2
fi
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
exec python3 "$here/bench_pipeline.py" "$@"
