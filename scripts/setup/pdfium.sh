# shellcheck shell=bash disable=SC2154 # engines_dir, cache_dir, build_jobs come from setup.sh
# Fetches a prebuilt PDFium from the npm registry; sourced by setup.sh.
# Debian has no PDFium package; this npm package ships a plain libpdfium.so with the FPDF C API
# beside its Node addon. The checksum pins the exact binary the project was tested against.

pdfium_package=@craftlions/pdfium-rs-linux-x64-gnu@0.0.15
pdfium_sha256=246872bdd5e05843b70051e6378216cc584535a1f4a7248b9f88059715d70f7c

sha256_of() {
    sha256sum "$1" | cut -d' ' -f1
}

ensure_pdfium() {
    local target=$engines_dir/libpdfium.so tmp lib actual
    if [[ -f $target && $(sha256_of "$target") == "$pdfium_sha256" ]]; then
        note "engines/libpdfium.so already present (checksum ok)"
        return
    fi
    command -v npm >/dev/null 2>&1 || die "npm not found (it should have come with the Debian packages)"
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/quillby-pdfium.XXXXXX")
    # shellcheck disable=SC2064
    trap "rm -rf '$tmp'" EXIT
    note "npm pack $pdfium_package"
    (cd "$tmp" && run_logged "$tmp/npm.log" npm pack --silent "$pdfium_package")
    mkdir "$tmp/x"
    tar -xzf "$tmp"/*.tgz -C "$tmp/x"
    lib=$(find "$tmp/x" -type f -name libpdfium.so -print -quit)
    [[ -n $lib ]] || die "$pdfium_package contains no libpdfium.so"
    actual=$(sha256_of "$lib")
    if [[ $actual != "$pdfium_sha256" ]]; then
        die "libpdfium.so from $pdfium_package has sha256 $actual, expected $pdfium_sha256;" \
            "refusing to install an engine that differs from the tested one"
    fi
    mkdir -p "$engines_dir"
    cp -f "$lib" "$target.tmp"
    mv -f "$target.tmp" "$target"
    rm -rf "$tmp"
    trap - EXIT
    note "installed engines/libpdfium.so"
}
