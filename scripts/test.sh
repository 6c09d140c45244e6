#!/bin/sh
# Installs what is missing, builds everything and runs every test.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh build test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKINSHEET_WERROR=ON >/dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure --no-tests=error -j2
