#!/usr/bin/env bash
# Builds Korvex for release (installed under /usr), checks the desktop files, the service menu, the AppStream
# metainfo and the man pages, and makes the Debian package build/package/korvex_*.deb.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset package >/dev/null
cmake --build --preset package

desktop-file-validate packaging/korvex.desktop packaging/korvex-open-alias.desktop
# The service menu too (KIO's format, which desktop-file-validate does not know).
bash tests/packaging/desktop_files.sh .
appstreamcli validate --no-net --pedantic build/package/packaging/*.metainfo.xml
for page in packaging/*.1; do
    warnings=$(LC_ALL=C.UTF-8 groff -man -ww -z "$page" 2>&1)
    if [ -n "$warnings" ]; then
        echo "$page: $warnings"
        exit 1
    fi
done

(cd build/package && rm -f korvex_*.deb && cpack -G DEB)
deb=$(ls build/package/korvex_*.deb)
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"
echo "package: $deb"
