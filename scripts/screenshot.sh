#!/usr/bin/env bash
# Takes docs/screenshot.png: the window in the middle of a download of the sample story,
# on a private X server (Xvfb) with the story-site simulator as the site.
# Usage: scripts/screenshot.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
out="$root/docs/screenshot.png"
for tool in Xvfb xwininfo import python3; do
  command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool is missing" >&2; exit 1; }
done
[ -x "$build/quillby" ] || { echo "screenshot.sh: $build/quillby is not built" >&2; exit 1; }

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Waits up to $1 seconds for the command that follows to succeed.
wait_for() {
  local limit=$(( $1 * 10 )); shift
  for ((i = 0; i < limit; i++)); do "$@" && return 0; sleep 0.1; done
  echo "screenshot.sh: timed out waiting for: $*" >&2
  return 1
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
wait_for 10 test -s "$work/display"
export DISPLAY=":$(cat "$work/display")"

python3 "$root/tools/storysim/storysim.py" --port 0 >"$work/sim.out" 2>/dev/null </dev/null &
pids+=($!)
wait_for 10 grep -q '^PORT ' "$work/sim.out"
site="http://127.0.0.1:$(sed -n 's/^PORT //p' "$work/sim.out" | head -n1)"

# A private home, so the book lands there, and an xdg-open that opens nothing.
mkdir -p "$work/home" "$work/tools"
printf '#!/bin/sh\nexit 0\n' >"$work/tools/xdg-open"
chmod +x "$work/tools/xdg-open"
log="$work/home/Documents/Inkvale/Quillby Downloader/tmp/run.log"

HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/home" \
  PATH="$work/tools:$PATH" QUILLBY_BASE_URL="$site" QUILLBY_CHAPTER_PAUSE_MS=8000 \
  QT_QPA_PLATFORM=xcb \
  "$build/quillby" --demo-url "$site/story/1001-the-keepers-daughter" --autostart \
  >/dev/null 2>&1 &
pids+=($!)

# The main window is the one of class "quillby" (Qt keeps a 1 x 1 helper of the same name).
window_id() { xwininfo -root -tree | awk '/"Quillby Downloader": \("quillby"/ { print $1; exit }'; }
has_window() { [ -n "$(window_id)" ]; }
wait_for 15 has_window
# Mid-download: the second chapter saved, its pause counting down in the footer.
wait_for 30 grep -qs "chapter_2 /" "$log"
sleep 3.5
mkdir -p "$(dirname "$out")"
import -window "$(window_id)" "$out"
echo "screenshot.sh: wrote $out ($(identify -format '%wx%h' "$out"))"
