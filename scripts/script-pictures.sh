#!/usr/bin/env bash
# Takes docs/scripts.png: the top of each chapter page of the simulator's script stories as
# the PDF book shows them (1801, one chapter per script; 1802, an Arabic story that names its
# language), side by side, with the story-site simulator as the site.
# Usage: scripts/script-pictures.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
out="$root/docs/scripts.png"
for tool in pdftoppm montage python3; do
  command -v "$tool" >/dev/null || { echo "script-pictures.sh: $tool is missing" >&2; exit 1; }
done
[ -x "$build/quillby" ] || { echo "script-pictures.sh: $build/quillby is not built" >&2; exit 1; }

work="$(mktemp -d)"
sim=""
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

python3 "$root/tools/storysim/storysim.py" --port 0 >"$work/sim.out" 2>/dev/null </dev/null &
sim=$!
for ((i = 0; i < 100; i++)); do grep -q '^PORT ' "$work/sim.out" && break; sleep 0.1; done
site="http://127.0.0.1:$(sed -n 's/^PORT //p' "$work/sim.out" | head -n1)"

mkdir -p "$work/home"
run() {
  env HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" \
    XDG_RUNTIME_DIR="$work/home" QUILLBY_BASE_URL="$site" QUILLBY_CHAPTER_PAUSE_MS=20 \
    QT_QPA_PLATFORM=offscreen DISPLAY= WAYLAND_DISPLAY= "$build/quillby" "$@"
}

# The top third of each chapter page (the cover is page 1), 80 dots per inch.
tiles=()
for story in 1801 1802; do
  book="$(run --download "$site/story/$story" | tail -n1)"
  pages="$(pdfinfo "$book" | sed -n 's/^Pages: *//p')"
  for ((page = 2; page <= pages; page++)); do
    tile="$work/tile-$story-$(printf %02d "$page")"
    pdftoppm -r 80 -png -singlefile -f "$page" -l "$page" -x 0 -y 20 -W 661 -H 250 \
      "$book" "$tile"
    tiles+=("$tile.png")
  done
done
montage "${tiles[@]}" -tile 2x -geometry +4+4 -background '#d0d0d0' "$out"
echo "$out"
