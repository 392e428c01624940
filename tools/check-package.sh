#!/bin/sh
# Builds the Debian package (make package) and runs Debian's checkers over it:
# desktop-file-validate on the menu entry it installs, lintian on the .deb.
# Fails on any lintian error (E:); warnings and notes are printed for the log.
set -eu
cd "$(dirname "$0")/.."

tools/install-deps.sh lintian desktop-file-utils
make package

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' build/default/CPackConfig.cmake)
deb="build/package/orvex_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "check-package: $deb was not made" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp"
entry="$tmp/usr/share/applications/orvex.desktop"
if [ -f "$entry" ]; then
    desktop-file-validate "$entry"
    echo "check-package: desktop-file-validate: the packaged orvex.desktop is valid"
else
    # A build without the window packages no menu entry; check the source all the same.
    desktop-file-validate packaging/orvex.desktop
    echo "check-package: no menu entry in this package (no orvex target); packaging/orvex.desktop is valid"
fi

# lintian warns when run as root; the check itself is the same.
lintian --fail-on error --display-info "$deb"
echo "check-package: lintian found no errors in $deb"
