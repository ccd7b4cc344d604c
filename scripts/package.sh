#!/usr/bin/env bash
# Sets everything up, builds the Debian package quillby_<version>_amd64.deb into build/ and
# installs it with apt-get (the program becomes /usr/bin/quillby). Safe to run again.
# With --no-install it only builds the package and prints its path.
set -euo pipefail
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$repo_root/scripts/setup.sh"
echo "== building"
"$repo_root/scripts/build.sh" "$repo_root/build"
echo "== packaging"
(cd "$repo_root/build" && cpack -G DEB >/dev/null)
package=$(ls -t "$repo_root"/build/quillby_*.deb | head -n 1)
if [[ ${1:-} != --no-install ]]; then
    sudo_cmd=()
    [[ $EUID -eq 0 ]] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --reinstall "$package"
fi
echo "$package"
