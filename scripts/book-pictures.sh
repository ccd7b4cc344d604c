#!/usr/bin/env bash
# Draws one look at each page preset into docs/presets/: the cover page and a chapter's
# first page of a book built by quillbook from the render benchmark's chapters, side by
# side, all at the same 50 dots per inch, so the pictures show the pages' real sizes
# against each other. ereader-dark.png shows the e-reader's pages dark.
# Usage: scripts/book-pictures.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
for tool in pdftoppm convert python3; do
  command -v "$tool" >/dev/null || { echo "book-pictures.sh: $tool is missing" >&2; exit 1; }
done
[ -x "$build/quillbook" ] || { echo "book-pictures.sh: $build/quillbook is not built" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 "$root/bench/render/make_chapters.py" "$work/chapters" 1 >/dev/null
cp "$root/frontend/resources/coverimg.html" "$work/chapters/0.html"
cp "$root/tools/storysim/cover.jpg" "$work/chapters/cover.jpg"
mkdir -p "$root/docs/presets"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

picture() {  # NAME, then quillbook's options
  local name="$1"; shift
  rm -rf "$work/data" && mkdir "$work/data"
  "$build/quillbook" --language en "$@" "$work/chapters" "$name" 1 "$work/data" >/dev/null
  pdftoppm -r 50 -f 1 -l 2 -png "$work/data/$name.pdf" "$work/$name"
  convert "$work/$name"-*1.png "$work/$name"-*2.png -background '#d0d0d0' -splice 12x0 \
    -gravity south +append +repage -chop 12x0 +repage -bordercolor '#d0d0d0' -border 12 \
    "$root/docs/presets/$name.png"
  echo "$root/docs/presets/$name.png"
}

for page in a4 letter a5 ereader phone; do
  picture "$page" --page "$page"
done
picture ereader-dark --page ereader --dark
