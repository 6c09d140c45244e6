#!/bin/sh
# check_package.sh PACKAGE.deb BUILD_BIN TESTDATA: the package's checks.
#  - lintian: no errors (warnings are printed);
#  - desktop-file-validate on the desktop entry, appstreamcli validate
#    --no-net on the AppStream file, both as installed;
#  - the package unpacked into a scratch root: its kinsheet-batch exports
#    each public GEDCOM file with the same CSV as BUILD_BIN's (and one to
#    Access, from the installed template); the manuals and --version are
#    there;
#  - with KINSHEET_APT_INSTALL=ON, as root: apt installs the package with
#    its dependencies, /usr/bin/kinsheet-batch passes the same check, and
#    the package is removed again.
set -eu
deb=$(realpath "$1")
build_bin=$(realpath "$2")
testdata=$(realpath -m "$3")
app_id=io.github.kinsheet.Kinsheet
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

echo "== lintian"
lintian --fail-on error "$deb" || fail "lintian reports errors"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
echo "== desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop entry"
echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" || fail "AppStream file"

for f in usr/bin/kinsheet usr/bin/kinsheet-batch usr/share/kinsheet/Kinsheet2K.mdb \
         usr/share/kinsheet/Kinsheet95.mdb usr/share/kinsheet/kinsheet-help.html \
         usr/share/man/man1/kinsheet.1.gz usr/share/man/man1/kinsheet-batch.1.gz \
         usr/share/bash-completion/completions/kinsheet-batch \
         usr/share/icons/hicolor/scalable/apps/$app_id.svg usr/share/icons/hicolor/256x256/apps/$app_id.png \
         usr/share/doc/kinsheet/copyright; do
  [ -e "$root/$f" ] || fail "not in the package: /$f"
done
version=$(dpkg-deb -f "$deb" Version)
version=${version%-*}  # the programs know the upstream version
[ "$("$root/usr/bin/kinsheet-batch" --version)" = "kinsheet-batch $version" ] || fail "kinsheet-batch --version"
[ "$("$root/usr/bin/kinsheet" --version)" = "kinsheet $version" ] || fail "kinsheet --version"
# The manual is the help: every option of the export help is in it.
for option in $("$root/usr/bin/kinsheet-batch" export --help | grep -o -- '--[a-z-]*' | sort -u); do
  zcat "$root/usr/share/man/man1/kinsheet-batch.1.gz" | sed 's/\\-/-/g' | grep -q -- "$option" ||
    fail "kinsheet-batch(1) lacks $option"
done

# The installed tool against the build folder's, on the public files.
if ! ls "$testdata"/*.ged "$testdata"/*.GED >/dev/null 2>&1; then
  if [ "${KINSHEET_REQUIRE_TESTDATA:-}" = ON ]; then fail "no public GEDCOM files in $testdata"; fi
  echo "SKIP the export check: no public GEDCOM files in $testdata (set KINSHEET_TESTDATA)"
  exit 0
fi
mkdir "$scratch/built" "$scratch/installed"
for ged in "$testdata"/*.ged "$testdata"/*.GED; do
  [ -f "$ged" ] || continue
  name=$(basename "$ged")
  "$build_bin/kinsheet-batch" export --quiet "$ged" "$scratch/built/$name.csv" || true
done
check_installed() {
  bin=$1
  rm -f "$scratch/installed/"*
  files=0
  for ged in "$testdata"/*.ged "$testdata"/*.GED; do
    [ -f "$ged" ] || continue
    name=$(basename "$ged")
    [ -f "$scratch/built/$name.csv" ] || continue
    # Run from elsewhere, so that nothing of the build folder is at hand.
    (cd "$scratch" && "$bin/kinsheet-batch" export --quiet "$ged" "installed/$name.csv") ||
      fail "$bin/kinsheet-batch export $name"
    cmp "$scratch/built/$name.csv" "$scratch/installed/$name.csv" || fail "$bin/kinsheet-batch: $name's CSV differs"
    files=$((files + 1))
  done
  [ "$files" -gt 0 ] || fail "no public file could be exported"
  # The Access export starts from the installed template.
  (cd "$scratch" && "$bin/kinsheet-batch" export --quiet "$ged" installed/last.mdb) || fail "$bin: Access export"
  echo "ok: $bin/kinsheet-batch writes the build's CSV for $files public files, and Access from its template"
}
check_installed "$root/usr/bin"

if [ "${KINSHEET_APT_INSTALL:-}" = ON ] && [ "$(id -u)" -eq 0 ]; then
  if dpkg-query -W -f='${Status}' kinsheet 2>/dev/null | grep -q "install ok installed"; then
    echo "SKIP apt install: a kinsheet package is installed already"
  else
    echo "== apt-get install $deb"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null ||
      fail "apt-get install"
    check_installed /usr/bin
    man -w kinsheet-batch >/dev/null || fail "man kinsheet-batch"
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq kinsheet >/dev/null
  fi
fi
echo "Package checks passed: $deb"
