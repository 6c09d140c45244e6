#!/bin/sh
# Installs what is missing, builds everything and runs every test.
# KINSHEET_TESTDATA=folder points the tests at the public GEDCOM files;
# KINSHEET_REQUIRE_TESTDATA=ON makes a missing folder fail, not skip.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh build test
set --
if [ -n "${KINSHEET_TESTDATA:-}" ]; then
  set -- "$@" "-DKINSHEET_TESTDATA=$KINSHEET_TESTDATA"
fi
if [ -n "${KINSHEET_REQUIRE_TESTDATA:-}" ]; then
  set -- "$@" "-DKINSHEET_REQUIRE_TESTDATA=$KINSHEET_REQUIRE_TESTDATA"
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKINSHEET_WERROR=ON "$@" >/dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure --no-tests=error -j2
