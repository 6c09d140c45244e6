#!/bin/sh
# Installs the Debian packages listed for a purpose ("build", "test") that
# are not installed yet. Needs root only when something is missing.
set -eu
here=$(cd "$(dirname "$0")" && pwd)

# A list line is "package" or "package command": when the command is on
# the PATH already (a Node.js from elsewhere brings its own npm) the
# package is not needed.
list_missing() {
  grep -v '^#' "$here/packages-$1.txt" | while read -r pkg cmd; do
    [ -n "$pkg" ] || continue
    if [ -n "${cmd:-}" ] && command -v "$cmd" >/dev/null 2>&1; then
      continue
    fi
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      echo "$pkg"
    fi
  done
}

missing=$(for purpose in "$@"; do list_missing "$purpose"; done | sort -u | tr '\n' ' ')
if [ -n "${missing% }" ]; then
  echo "Installing: $missing"
  if [ "$(id -u)" -ne 0 ]; then
    echo "Run as root to install the missing packages." >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing
fi
