#!/bin/sh
# Builds the Debian package (make package) and runs Debian's checkers over it:
# desktop-file-validate on the menu entry it installs, appstreamcli on its software-centre
# description, lintian on the .deb. Fails on any lintian error (E:) and on any error or
# warning of appstreamcli; lintian's warnings and notes are printed for the log.
set -eu
cd "$(dirname "$0")/.."

tools/install-deps.sh lintian desktop-file-utils appstream
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

metainfo="$tmp/usr/share/metainfo/orvex.metainfo.xml"
[ -f "$metainfo" ] || metainfo=packaging/orvex.metainfo.xml
# --pedantic would also print infos; --no-net leaves the screenshot's address unfetched.
appstreamcli validate --no-net --explain "$metainfo"
echo "check-package: appstreamcli validate: $(basename "$metainfo") is valid"

# lintian warns when run as root; the check itself is the same.
lintian --fail-on error --display-info "$deb"
echo "check-package: lintian found no errors in $deb"
