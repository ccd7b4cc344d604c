#!/bin/sh
# Usage: bench/render/run.sh BUILD_DIR [--chapters N] [--cli-runs M] [--rounds R]
#        bench/render/run.sh BUILD_DIR --update [--chapters N]
# Times quillbook building a 100-chapter book against wkhtmltopdf run once per chapter,
# on the same chapter files in the same run, and prints the table with their ratio.
# --update times updating a 1000-chapter book by two chapters with the render cache
# against its merge plus two renders.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -lt 1 ]; then
    echo "usage: $0 BUILD_DIR [--chapters N] [--cli-runs M] [--rounds R] | --update [--chapters N]" >&2
    exit 2
fi
# Both sides render off screen, as on a machine without a display.
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
exec python3 "$here/bench_render.py" "$@"
