#!/bin/sh
# Usage: bench/epub/run.sh BUILD_DIR [--chapters N] [--pdf-chapters K] [--rounds R]
# Times quillbook writing the EPUB of the 1000-chapter benchmark story against quillbook
# rendering the same chapters to PDF, in the same run, and checks the EPUB's peak memory.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -lt 1 ]; then
    echo "usage: $0 BUILD_DIR [--chapters N] [--pdf-chapters K] [--rounds R]" >&2
    exit 2
fi
# The PDF side renders off screen, as on a machine without a display.
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
exec python3 "$here/bench_epub.py" "$@"
