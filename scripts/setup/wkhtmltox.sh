# shellcheck shell=bash disable=SC2154 # engines_dir, cache_dir, build_jobs come from setup.sh
# Builds wkhtmltopdf's C library from Debian's source package; sourced by setup.sh.
# Debian ships only the command-line tool (with the library linked in statically), so the shared
# library the book builder loads at run time has to be built here against Debian's Qt WebKit.

src_list=/etc/apt/sources.list.d/quillby-src.sources

distro_codename() {
    local VERSION_CODENAME=""
    # shellcheck disable=SC1091
    [[ -r /etc/os-release ]] && . /etc/os-release
    echo "${VERSION_CODENAME:-bookworm}"
}

has_main_deb_src() {
    # shellcheck disable=SC2016 # apt's own placeholders, not shell expansions
    apt-get indextargets --format '$(CODENAME) $(COMPONENT)' 'Created-By: Sources' 2>/dev/null |
        grep -qx "$1 main"
}

# Prints "URI|KEYRING" of the enabled deb822 stanza that serves the release's main component.
main_archive_deb822() {
    local codename=$1 f hit
    for f in /etc/apt/sources.list.d/*.sources; do
        [[ -r $f ]] || continue
        hit=$(awk -v RS= -v cn="$codename" '
            function field(name,   i, n, lines, v) {
                n = split($0, lines, "\n")
                for (i = 1; i <= n; i++)
                    if (tolower(lines[i]) ~ "^" tolower(name) ":") {
                        v = substr(lines[i], length(name) + 2)
                        gsub(/^[ \t]+|[ \t]+$/, "", v)
                        return v
                    }
                return ""
            }
            (" " field("Types") " ") ~ / deb / && (" " field("Suites") " ") ~ (" " cn " ") &&
            (" " field("Components") " ") ~ / main / && tolower(field("Enabled")) != "no" {
                split(field("URIs"), uris, /[ \t]+/)
                print uris[1] "|" field("Signed-By")
                exit
            }' "$f")
        if [[ -n $hit ]]; then
            echo "$hit"
            return
        fi
    done
}

# Same for the one-line format that older installs still use.
main_archive_one_line() {
    local codename=$1 f files=()
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [[ -r $f ]] && files+=("$f")
    done
    ((${#files[@]} > 0)) || return 0
    awk -v cn="$codename" '
            $1 == "deb" {
                opts = ""; i = 2
                if ($2 ~ /^\[/) {
                    while (i <= NF && $i !~ /\]$/) { opts = opts " " $i; i++ }
                    opts = opts " " $i; i++
                }
                uri = $i; suite = $(i + 1)
                if (suite != cn) next
                for (j = i + 2; j <= NF; j++) if ($j == "main") {
                    key = ""
                    if (match(opts, /signed-by=[^] ]+/)) key = substr(opts, RSTART + 10, RLENGTH - 10)
                    print uri "|" key
                    exit
                }
            }' "${files[@]}"
}

add_deb_src_entry() {
    local codename=$1 found uri key
    found=$(main_archive_deb822 "$codename")
    [[ -n $found ]] || found=$(main_archive_one_line "$codename")
    uri=${found%%|*}
    key=${found#*|}
    [[ -n $uri ]] || uri=http://deb.debian.org/debian
    # An inline key block cannot be copied as one line; the archive keyring says the same.
    if [[ -z $key || $key == -----BEGIN* ]] && [[ -r /usr/share/keyrings/debian-archive-keyring.gpg ]]; then
        key=/usr/share/keyrings/debian-archive-keyring.gpg
    fi
    note "adding $src_list ($uri $codename main)"
    {
        echo "Types: deb-src"
        echo "URIs: $uri"
        echo "Suites: $codename"
        echo "Components: main"
        [[ -z $key ]] || echo "Signed-By: $key"
    } | as_root tee "$src_list" >/dev/null
}

source_index_has_wkhtmltopdf() {
    apt-cache showsrc --only-source wkhtmltopdf 2>/dev/null | grep -qx 'Package: wkhtmltopdf'
}

source_tree_in() {
    [[ -d $1 ]] || return 0
    find "$1" -mindepth 1 -maxdepth 1 -type d -name 'wkhtmltopdf-*' -print -quit
}

# Leaves the unpacked source tree's path in $wk_src. A tree without the stamp is a half-finished
# unpack from an interrupted run and is fetched again.
fetch_wkhtmltopdf_source() {
    local dir=$1 codename
    wk_src=$(source_tree_in "$dir")
    if [[ -n $wk_src && -e $wk_src/.unpacked ]]; then
        note "source already in ${wk_src#"$repo_root"/}"
        return
    fi
    codename=$(distro_codename)
    has_main_deb_src "$codename" || add_deb_src_entry "$codename"
    source_index_has_wkhtmltopdf || as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
    source_index_has_wkhtmltopdf || die "no source package for wkhtmltopdf in the apt sources"
    rm -rf "$dir"
    mkdir -p "$dir"
    note "apt-get source wkhtmltopdf"
    (cd "$dir" && run_logged "$dir/apt-source.log" apt-get source -q wkhtmltopdf)
    wk_src=$(source_tree_in "$dir")
    [[ -n $wk_src ]] || die "apt-get source left no wkhtmltopdf-* folder in $dir"
    touch "$wk_src/.unpacked"
}

# The real file of the built library (its symlinks are recreated in engines/).
built_wkhtmltox() {
    [[ -d $1/bin ]] || return 0
    find "$1/bin" -maxdepth 1 -type f -name 'libwkhtmltox.so.*' -print -quit
}

build_wkhtmltox() {
    local src=$1 qmake=qmake
    [[ -x /usr/lib/qt5/bin/qmake ]] && qmake=/usr/lib/qt5/bin/qmake
    note "qmake + make -j$build_jobs in src/lib (about a minute on two shared cores)"
    (
        cd "$src/src/lib" || exit 1
        export QT_SELECT=qt5
        run_logged "$src/build.log" "$qmake" lib.pro
        run_logged "$src/build.log.make" make -j"$build_jobs"
    )
    [[ -n $(built_wkhtmltox "$src") ]] || die "make finished but left no libwkhtmltox.so.* in $src/bin"
}

soname_of() {
    readelf -d "$1" | sed -n 's/.*(SONAME).*\[\(.*\)\].*/\1/p'
}

# engines/libwkhtmltox.so -> soname -> real file, as a linker-built install would lay it out, so
# both the plain name and the soname resolve inside engines/.
install_wkhtmltox() {
    local lib=$1 engines=$2 name soname
    name=$(basename "$lib")
    soname=$(soname_of "$lib")
    [[ -n $soname ]] || die "$lib has no soname"
    mkdir -p "$engines"
    if ! cmp -s "$lib" "$engines/$name"; then
        cp -f "$lib" "$engines/$name.tmp"
        mv -f "$engines/$name.tmp" "$engines/$name"
        note "copied $name to engines/"
    fi
    [[ $soname == "$name" ]] || ln -sfn "$name" "$engines/$soname"
    [[ $soname == libwkhtmltox.so ]] || ln -sfn "$soname" "$engines/libwkhtmltox.so"
}

ensure_wkhtmltox() {
    local dir=$cache_dir/wkhtmltox lib=""
    wk_src=$(source_tree_in "$dir")
    [[ -n $wk_src && -e $wk_src/.unpacked ]] && lib=$(built_wkhtmltox "$wk_src")
    if [[ -n $lib ]]; then
        note "already built: ${lib#"$repo_root"/}"
    else
        fetch_wkhtmltopdf_source "$dir"
        build_wkhtmltox "$wk_src"
        lib=$(built_wkhtmltox "$wk_src")
    fi
    install_wkhtmltox "$lib" "$engines_dir"
}
