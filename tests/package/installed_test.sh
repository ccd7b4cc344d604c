#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it with apt-get, checks its
# AppStream file and manual page, and downloads the sample story from the simulator with
# the installed /usr/bin/quillby. Needs root (or sudo without a
# password); otherwise it is skipped (exit 77). The package is removed again at the end.
set -euo pipefail
build_dir=$1
source_dir=$2

as_root=()
if [[ $EUID -ne 0 ]]; then
    sudo -n true 2>/dev/null || { echo "skipped: installing a package needs root"; exit 77; }
    as_root=(sudo -n)
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quillby-package.XXXXXX")
sim_pid=
cleanup() {
    [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null || true
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q quillby >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

(cd "$build_dir" && cpack -G DEB -B "$work/package" >/dev/null)
deb=$(ls "$work"/package/quillby_*.deb)
for tool in lintian appstreamcli; do
    command -v $tool >/dev/null || { echo "$tool is missing: scripts/setup.sh installs it"; exit 1; }
done
# Debian's own checks find no error; the package's overrides say why the rest stand.
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; exit 1; }
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; exit 1; }
[[ -x /usr/bin/quillby && -x /usr/lib/quillby/bin/quillmain ]]
# Software centres accept its description; its manual page lists the exit codes; and the
# installed program finds both engines where the package put them.
appstreamcli validate --no-net /usr/share/metainfo/com.inkvale.quillby.metainfo.xml \
    >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; exit 1; }
zcat /usr/share/man/man1/quillby.1.gz | grep -q '^\.SH EXIT STATUS' ||
    { echo "quillby(1) has no exit status section"; exit 1; }
quillby --version >"$work/version" && grep -q '^wkhtmltox 0\.12' "$work/version" &&
    ! grep -q 'cannot be loaded' "$work/version" || { cat "$work/version"; exit 1; }

mkfifo "$work/sim-in"
python3 "$source_dir/tools/storysim/storysim.py" --port 0 <"$work/sim-in" >"$work/sim-out" &
sim_pid=$!
exec 3>"$work/sim-in"
for _ in $(seq 100); do grep -q '^PORT ' "$work/sim-out" && break; sleep 0.1; done
site=http://127.0.0.1:$(sed -n 's/^PORT //p' "$work/sim-out")

mkdir "$work/home"
(cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work/home" QUILLBY_BASE_URL="$site" \
    QUILLBY_CHAPTER_PAUSE_MS=50 quillby --download "$site/story/1001-the-keepers-daughter") \
    >"$work/out" 2>"$work/err" || { cat "$work/out" "$work/err"; exit 1; }
book=$(tail -n 1 "$work/out")
expected="$work/home/Documents/Inkvale/Quillby Downloader/The Keeper’s Daughter — “A Winter at Poi.pdf"
[[ $book == "$expected" ]] || { echo "unexpected last line: $book"; exit 1; }
pages=$(pdfinfo "$book" | sed -n 's/^Pages: *//p')
[[ $pages == 6 ]] || { echo "the book has $pages pages, not 6"; exit 1; }
echo "installed quillby made $book ($pages pages)"
