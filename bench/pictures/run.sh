#!/bin/sh
# Usage: bench/pictures/run.sh BUILD_DIR [--photos N] [--chapters C] [--rounds R]
# Times and sizes a book whose chapter shows 20 camera photographs against the same chapters
# without pictures, in the same run, and compares three libraries scaling the photographs.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -lt 1 ]; then
    echo "usage: $0 BUILD_DIR [--photos N] [--chapters C] [--rounds R]" >&2
    exit 2
fi
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
exec python3 "$here/bench_pictures.py" "$@"
