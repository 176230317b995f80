#!/usr/bin/env bash
# Builds the Debian package build/lorvane_<version>_amd64.deb from the
# programs alone and checks it with lintian and the AppStream validator.
set -euo pipefail
cd "$(dirname "$0")/.."

# file: CPack's dependency scan needs it to find the executables.
scripts/deps.sh file lintian appstream
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
cmake --build build -j2 --target lorvane-programs
rm -f build/lorvane_*.deb
(cd build && cpack -G DEB)
packages=(build/lorvane_*_amd64.deb)
if [[ ${#packages[@]} -ne 1 || ! -f ${packages[0]} ]]; then
    echo "cpack did not make one lorvane_<version>_amd64.deb in build/" >&2
    exit 1
fi
lintian --fail-on error,warning "${packages[0]}"
appstreamcli validate --no-net packaging/org.tessivar.Lorvane.metainfo.xml
echo "Package: ${packages[0]}"
