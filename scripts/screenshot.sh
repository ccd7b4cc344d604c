#!/usr/bin/env bash
# Takes the pictures in docs/ on a private X server (Xvfb) with the story-site simulator as
# the site: docs/screenshot.png, the window in the middle of a download of the sample story,
# and with --library docs/library.png, the window with a library of stories that were
# downloaded and updated before, while a queue of two more runs.
# Usage: scripts/screenshot.sh [--library] [BUILD_DIR]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mode=download
if [ "${1:-}" = --library ]; then mode=library; shift; fi
build="$(cd "${1:-$root/build}" && pwd)"
out="$root/docs/screenshot.png"
[ "$mode" = library ] && out="$root/docs/library.png"
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

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
wait_for 10 test -s "$work/display"
export DISPLAY=":$(cat "$work/display")"

# The library's stories, in a catalog of the picture's own that changes between the runs.
catalog="$work/catalog.json"
write_catalog() {  # $1: the stories' state, "first" or "later"
  python3 - "$1" >"$catalog" <<'PY'
import json, sys
later = sys.argv[1] == "later"
def story(id, title, author, chapters, **extra):
    parts = [{"id": id * 100 + i, "title": "Chapter %d" % i, "pages": 1}
             for i in range(1, chapters + 1)]
    return dict(id=id, slug="s%d" % id, title=title, author=author, description="d",
                parts=parts, **extra)
stories = [
    story(2101, "The Lighthouse Ledger", "Maren Holloway", 14 if later else 12),
    story(2102, "Salt and Silver", "Iris Okafor", 9),
    story(2103, "Notes from the Night Ferry", "Tomás Reyes", 22 if later else 19),
    story(2104, "A Garden Under Glass", "Hana Sato", 6),
    story(2105, "The Cartographer’s Apprentice", "Elin Berg", 31, status=404 if later else 200),
    story(2106, "Winter Orchard", "Nadia Kovač", 8 if later else 7),
    story(2107, "Small Hours", "Ruth Adeyemi", 12),
    story(2108, "The Paper Kingdom", "Joss Whitaker", 15),
]
if later:  # one chapter that does not come
    stories[5]["parts"][-1]["first_view_status"] = 404
print(json.dumps({"stories": stories}))
PY
}
catalog_args=()
if [ "$mode" = library ]; then
  write_catalog first
  catalog_args=(--catalog "$catalog")
fi
python3 "$root/tools/storysim/storysim.py" --port 0 "${catalog_args[@]}" >"$work/sim.out" 2>/dev/null </dev/null &
pids+=($!)
wait_for 10 grep -q '^PORT ' "$work/sim.out"
site="http://127.0.0.1:$(sed -n 's/^PORT //p' "$work/sim.out" | head -n1)"

# A private home, so the book lands there, and an xdg-open that opens nothing.
mkdir -p "$work/home" "$work/tools"
printf '#!/bin/sh\nexit 0\n' >"$work/tools/xdg-open"
chmod +x "$work/tools/xdg-open"
log="$work/home/Documents/Inkvale/Quillby Downloader/tmp/run.log"
desk=(HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
  XDG_DATA_HOME="$work/home/.local/share" XDG_RUNTIME_DIR="$work/home"
  PATH="$work/tools:$PATH" QUILLBY_BASE_URL="$site")

if [ "$mode" = library ]; then
  # Six stories downloaded, then updated after some grew, one went missing and one
  # chapter stopped coming; the last two are what the window downloads now.
  env "${desk[@]}" QUILLBY_CHAPTER_PAUSE_MS=0 "$build/quillby" --download \
    "$site/story/2101-s2101" "$site/story/2102-s2102" "$site/story/2103-s2103" \
    "$site/story/2104-s2104" "$site/story/2105-s2105" "$site/story/2106-s2106" >/dev/null || true
  write_catalog later
  env "${desk[@]}" QUILLBY_CHAPTER_PAUSE_MS=0 "$build/quillby" --update-all >/dev/null || true
  env "${desk[@]}" QUILLBY_CHAPTER_PAUSE_MS=8000 QT_QPA_PLATFORM=xcb "$build/quillby" \
    --demo-url "$site/story/2107-s2107 $site/story/2108-s2108" --autostart >/dev/null 2>&1 &
else
  env "${desk[@]}" QUILLBY_CHAPTER_PAUSE_MS=8000 QT_QPA_PLATFORM=xcb "$build/quillby" \
    --demo-url "$site/story/1001-the-keepers-daughter" --autostart >/dev/null 2>&1 &
fi
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
