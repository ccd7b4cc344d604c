# shellcheck shell=bash
# Debian packages for building, testing and running the project; sourced by setup.sh.

apt_packages=(
    build-essential cmake pkg-config git clang-format
    qtbase5-dev qtbase5-dev-tools qt5-qmake libqt5webkit5-dev libqt5svg5-dev libqt5xmlpatterns5-dev
    libcurl4-openssl-dev libssl-dev libfontconfig-dev libxml2-dev libgumbo-dev nlohmann-json3-dev libqpdf-dev libzip-dev
    libsqlite3-dev libvips-dev
    libhyphen-dev hyphen-en-us hyphen-en-gb hyphen-de hyphen-fr hyphen-es hyphen-it hyphen-pt-pt
    hyphen-pt-br hyphen-nl hyphen-ru hyphen-pl hyphen-sv
    libfreetype-dev libharfbuzz-dev libicu-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev epubcheck default-jre-headless
    poppler-utils qpdf wkhtmltopdf python3 python3-bs4 xvfb xauth imagemagick
    dbus-daemon dbus-bin dpkg-dev fakeroot openssl ca-certificates xdg-utils fonts-dejavu-core fonts-wqy-microhei x11-utils
    lintian appstream
    fonts-noto-core fonts-noto-cjk fonts-symbola
)

install_apt_packages() {
    local wanted=("${apt_packages[@]}") missing=() pkg installed
    # A machine may already carry its own Node.js (e.g. from NodeSource); Debian's npm would
    # conflict with it, and any npm will do for fetching one package.
    command -v npm >/dev/null 2>&1 || wanted+=(npm)
    # One dpkg-query for the whole list keeps a rerun fast; it exits non-zero when any name is
    # unknown to dpkg, which is exactly the case being looked for.
    installed=" $(dpkg-query -W -f='${Package}:${db:Status-Status} ' "${wanted[@]}" 2>/dev/null || true) "
    for pkg in "${wanted[@]}"; do
        [[ $installed == *" $pkg:installed "* ]] || missing+=("$pkg")
    done
    if ((${#missing[@]} == 0)); then
        note "all ${#wanted[@]} packages already installed"
        return
    fi
    note "missing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}"
}
