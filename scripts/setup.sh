#!/usr/bin/env bash
# Installs what building, testing and running Quillby needs on Debian 12: the Debian packages,
# the wkhtmltox shared library (built from Debian's source) and PDFium, both into engines/.
# Safe to run again: finished steps are recognised and skipped, so a rerun takes seconds.
set -Eeuo pipefail
# Anything that fails without a message of its own still says where the run stopped.
trap 'printf "setup: FAILED at %s line %s: %s\n" "${BASH_SOURCE[0]##*/}" "$LINENO" "$BASH_COMMAND" >&2' ERR

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_root=$(cd "$script_dir/.." && pwd)
cache_dir=$repo_root/.cache/setup
engines_dir=$repo_root/engines
# The machines are shared two-core boxes; more jobs only slow the neighbours down.
build_jobs=${SETUP_JOBS:-2}

# shellcheck source=setup/common.sh
. "$script_dir/setup/common.sh"
# shellcheck source=setup/apt-packages.sh
. "$script_dir/setup/apt-packages.sh"
# shellcheck source=setup/wkhtmltox.sh
. "$script_dir/setup/wkhtmltox.sh"
# shellcheck source=setup/pdfium.sh
. "$script_dir/setup/pdfium.sh"

# Compiled on the fly so the check loads the engines exactly as a C++ program would, with no
# interpreter or binding in between.
check_engines() {
    local exe=$cache_dir/check-engines src=$script_dir/setup/check-engines.c scratch
    if [[ ! -x $exe || $src -nt $exe ]]; then
        cc -std=gnu11 -O2 -Wall -Wextra -o "$exe" "$src" -ldl
    fi
    scratch=$cache_dir/check
    mkdir -p "$scratch"
    # Qt complains on stderr when there is no runtime dir (containers, CI); give it a private one.
    if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
        [[ -d $cache_dir/runtime ]] || mkdir -m 0700 "$cache_dir/runtime"
        export XDG_RUNTIME_DIR=$cache_dir/runtime
    fi
    QT_QPA_PLATFORM=offscreen "$exe" "$engines_dir" "$scratch" ||
        die "engine check failed (see the messages above)"
}

main() {
    local started=$SECONDS
    mkdir -p "$cache_dir" "$engines_dir"

    begin_step "1/4 Debian packages"
    install_apt_packages
    end_step

    begin_step "2/4 wkhtmltox shared library"
    ensure_wkhtmltox
    end_step

    begin_step "3/4 PDFium"
    ensure_pdfium
    end_step

    begin_step "4/4 checking the engines"
    check_engines
    end_step

    say "setup complete in $((SECONDS - started)) s"
    note "engines/libwkhtmltox.so -> $(readlink -f "$engines_dir/libwkhtmltox.so" | sed "s#^$repo_root/##")"
    note "engines/libpdfium.so     sha256 $pdfium_sha256"
}

main "$@"
