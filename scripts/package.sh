#!/bin/sh
# Builds the Debian package from the build folder (configuring it when
# needed) and checks it: lintian, desktop-file-validate and appstreamcli on
# its files, then the package unpacked into a scratch root (and, with
# KINSHEET_APT_INSTALL=ON as root, installed by apt and removed again),
# where the installed kinsheet-batch must export a public GEDCOM file from
# its installed data exactly as the build folder's does.
# KINSHEET_TESTDATA=folder points at the public GEDCOM files.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh build package
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKINSHEET_WERROR=ON >/dev/null
fi
cmake --build build -j2
rm -f build/kinsheet_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/kinsheet_*.deb)
echo "Built $deb"
exec ./packaging/check_package.sh "$deb" build/bin \
  "${KINSHEET_TESTDATA:-$(pwd)/../shared/testdata/gedcom}"
