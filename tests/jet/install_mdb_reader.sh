#!/bin/sh
# Installs the npm package mdb-reader into the folder given (once); exits
# 77 (skipped) when npm is not available.
set -eu
dir=$1
if [ -f "$dir/node_modules/mdb-reader/package.json" ]; then
  echo "mdb-reader already installed in $dir"
  exit 0
fi
if ! command -v npm >/dev/null 2>&1 || ! command -v node >/dev/null 2>&1; then
  echo "SKIPPED: npm or node is missing, mdb-reader cannot be installed" >&2
  exit 77
fi
mkdir -p "$dir"
npm install --prefix "$dir" --no-audit --no-fund --loglevel=error mdb-reader || {
  echo "SKIPPED: npm could not install mdb-reader" >&2
  exit 77
}
