#!/usr/bin/env bash
# The export preview on PEOPLE generated people (default 1,000,000):
#
#   bench/preview/bench_preview.sh [BUILD_DIR]      (default ./build)
#
# Needs the gedgen and kinsheet_preview_bench targets built.
set -eu
build=${1:-./build}
people=${PEOPLE:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/gedgen" --people "$people" --seed 1 --non-ascii -o "$work/people.ged"
bench=$(find "$build" -name kinsheet_preview_bench -type f -perm -u+x | head -n 1)
"$bench" "$work/people.ged"
