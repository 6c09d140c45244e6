#!/bin/sh
# Installs what is missing, builds the desktop program with what it needs
# at run time (the Access templates, the help page) and starts it on the
# sample family (or on the GEDCOM file given as the first argument).
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target kinsheet
exec ./build/bin/kinsheet "${1:-samples/family.ged}"
