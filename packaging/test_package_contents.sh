#!/bin/sh
# Builds the Debian package into a temporary folder and checks what it holds: exactly the
# expected files and folders, control fields naming the libraries the programs link (and, with
# the window, recommending Qt's Wayland platform), stripped programs, and an orvex-cli that
# runs from the unpacked package.
# Usage: test_package_contents.sh CPACK CPackConfig.cmake VERSION WITH_WINDOW(ON|OFF)
set -eu

cpack=$1
config=$2
version=$3
with_window=$4

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "package_contents: $*" >&2
    exit 1
}

if ! "$cpack" --config "$config" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log" >&2
    fail "cpack failed"
fi
arch=$(dpkg --print-architecture)
deb="$tmp/out/orvex_${version}_${arch}.deb"
[ -f "$deb" ] || fail "no $deb; cpack made: $(ls "$tmp/out")"

# ---- File list ----------------------------------------------------------------------------

{
    echo usr/bin/orvex-cli
    echo usr/share/man/man1/orvex-cli.1.gz
    echo usr/share/doc/orvex/copyright
    echo usr/share/doc/orvex/changelog.gz
    if [ "$with_window" = ON ]; then
        echo usr/bin/orvex
        echo usr/share/man/man1/orvex.1.gz
        echo usr/share/applications/orvex.desktop
        echo usr/share/metainfo/orvex.metainfo.xml
        for size in 16 22 24 32 48 64 128 256; do
            echo "usr/share/icons/hicolor/${size}x${size}/apps/orvex.png"
        done
        echo usr/share/icons/hicolor/scalable/apps/orvex.svg
    fi
} | sort >"$tmp/expected-files"

# Every folder in the package must be the parent of an expected file: no stray or empty
# folders (a /usr/local or an include/ left by some other install rule).
awk -F/ '{ p = $1; for (i = 2; i < NF; ++i) { print p; p = p "/" $i } print p }' \
    "$tmp/expected-files" | sort -u >"$tmp/expected-dirs"

# dpkg-deb -c lists "./usr/bin/x" for files and "./usr/bin/" for folders.
dpkg-deb -c "$deb" | awk '{ print $1 " " $6 }' >"$tmp/listing"
awk '$1 !~ /^d/ { sub(/^\.\//, "", $2); print $2 }' "$tmp/listing" | sort >"$tmp/files"
awk '$1 ~ /^d/ && $2 != "./" { sub(/^\.\//, "", $2); sub(/\/$/, "", $2); print $2 }' \
    "$tmp/listing" | sort >"$tmp/dirs"

if ! diff -u "$tmp/expected-files" "$tmp/files"; then
    fail "files differ from the expected list (- expected, + in the package)"
fi
if ! diff -u "$tmp/expected-dirs" "$tmp/dirs"; then
    fail "folders differ from the expected list (- expected, + in the package)"
fi

# ---- Control fields -----------------------------------------------------------------------

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = orvex ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"

depends=$(field Depends)
needed="libc6 libsndfile1 libstdc++6"
[ "$with_window" = ON ] && needed="$needed libqt6core6 libqt6widgets6 libpulse0"
for lib in $needed; do
    # Each dependency is "name (>= version)" in a comma-separated list.
    echo "$depends" | tr ',' '\n' | grep -q "^ *$lib\( \|$\)" ||
        fail "Depends lacks $lib: $depends"
done
# The window on a Wayland desktop needs Qt's Wayland platform.
if [ "$with_window" = ON ]; then
    [ "$(field Recommends)" = qt6-wayland ] || fail "Recommends is '$(field Recommends)'"
else
    [ -z "$(field Recommends)" ] || fail "orvex-cli alone recommends '$(field Recommends)'"
fi

# ---- The programs -------------------------------------------------------------------------

dpkg-deb -x "$deb" "$tmp/root"
for program in "$tmp"/root/usr/bin/*; do
    # A stripped program keeps no symbol table and no debug sections.
    if readelf -S -W "$program" | grep -q -E ' \.(symtab|debug_info) '; then
        fail "$program is not stripped"
    fi
done
out=$("$tmp/root/usr/bin/orvex-cli" --version) || fail "orvex-cli --version failed"
[ "$out" = "orvex-cli $version" ] || fail "orvex-cli --version printed '$out'"

# Manual pages and changelog are gzip streams that unpack.
for gz in "$tmp"/root/usr/share/man/man1/*.gz "$tmp/root/usr/share/doc/orvex/changelog.gz"; do
    gzip -t "$gz" || fail "$gz is not a valid gzip file"
done
echo "package_contents: $(basename "$deb") holds $(wc -l <"$tmp/files") files as expected"
