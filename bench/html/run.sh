#!/bin/sh
# Runs the parsed-document benchmark built in BUILD_DIR (default: build) next to
# BeautifulSoup and prints a short table. Builds nothing.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
# Debian's python3 carries python3-bs4; a python3 earlier on PATH may not.
exec /usr/bin/python3 "$here/compare.py" "${1:-build}"
