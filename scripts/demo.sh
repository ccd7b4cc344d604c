#!/usr/bin/env bash
# Sets everything up, builds, and downloads the bundled sample story from the local
# story-site simulator into a PDF book in your Documents folder, exactly as the window
# does, without showing it. The last line printed is the book's path.
set -euo pipefail
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$repo_root/scripts/setup.sh"
echo "== building"
"$repo_root/scripts/build.sh" "$repo_root/build"

if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
    export XDG_RUNTIME_DIR=$repo_root/.cache/runtime
    mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
fi

# The simulator stops when its stdin closes. It serves on the same port every time when it
# can, so that the sample story keeps one address and a second demo replaces its own book
# (a book of another address is never overwritten); when the port is taken, on any free one.
sim_out=$(mktemp)
trap 'exec 3>&-; rm -f "$sim_out"' EXIT
start_simulator() {
    : >"$sim_out"
    exec 3> >(exec /usr/bin/python3 "$repo_root/tools/storysim/storysim.py" --port "$1" \
        >"$sim_out" 2>/dev/null)
    local pid=$!
    for _ in $(seq 100); do
        grep -q '^PORT ' "$sim_out" && return 0
        kill -0 "$pid" 2>/dev/null || break  # the port is taken
        sleep 0.1
    done
    exec 3>&-
    return 1
}
start_simulator 48123 || start_simulator 0 ||
    { echo "demo: the story-site simulator did not start" >&2; exit 1; }
port=$(sed -n 's/^PORT //p' "$sim_out")
site=http://127.0.0.1:$port

echo "== downloading the sample story from $site"
# A local site needs no politeness pause; the real one gets 20 s after each chapter.
QUILLBY_BASE_URL=$site QUILLBY_CHAPTER_PAUSE_MS=${QUILLBY_CHAPTER_PAUSE_MS:-200} \
    "$repo_root/build/quillby" --download "$site/story/1001-the-keepers-daughter"
