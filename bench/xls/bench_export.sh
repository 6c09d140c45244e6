#!/bin/sh
# Figures for the whole Excel export through kinsheet-batch: PEOPLE people
# (default 65000), every field, .xls against .csv of the same file (the CSV
# run shows what loading and row assembly alone cost).
#   bench/xls/bench_export.sh BUILD_DIR [PEOPLE]
set -eu
build=${1:?usage: bench_export.sh BUILD_DIR [PEOPLE]}
people=${2:-65000}
bin=$build/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ged=$work/people.ged

if [ -x "$bin/gedgen" ]; then
  "$bin/gedgen" --people "$people" --non-ascii -o "$ged"
  echo "input       $people people from gedgen ($(wc -c <"$ged") bytes)"
else
  # Without gedgen: couples with two children, names with umlauts, and
  # every event, so all 40 columns have work to do.
  awk -v n="$people" 'BEGIN {
    print "0 HEAD"; print "1 CHAR UTF-8"
    for (i = 1; i <= n; i++) {
      f = int((i - 1) / 4) + 1; r = (i - 1) % 4
      print "0 @I" i "@ INDI"; print "1 NAME Jürgen" i " /Müller" f "/"
      print "1 SEX " (r == 1 ? "F" : "M")
      print "1 BIRT"; print "2 DATE " (1 + i % 28) " MAR " (1800 + i % 200); print "2 PLAC Köln, Deutschland"
      print "1 DEAT"; print "2 DATE " (1 + i % 28) " JAN " (1870 + i % 200); print "2 PLAC Łódź, Polska"
      if (r < 2) print "1 FAMS @F" f "@"; else print "1 FAMC @F" f "@"
    }
    for (f = 1; f <= int((n + 3) / 4); f++) {
      print "0 @F" f "@ FAM"; print "1 HUSB @I" (4 * f - 3) "@"; print "1 WIFE @I" (4 * f - 2) "@"
      print "1 MARR"; print "2 DATE 1 JUN 1850"; print "2 PLAC Uppsala"
      print "1 CHIL @I" (4 * f - 1) "@"; print "1 CHIL @I" (4 * f) "@"
    }
    print "0 TRLR" }' >"$ged"
  echo "input       $people people from the built-in generator"
fi

run() {
  /usr/bin/time -f "%e %M" -o "$work/time" "$bin/kinsheet-batch" export --format "$1" --force --quiet \
    "$ged" "$work/out.$1" >/dev/null 2>&1
  read -r seconds kb <"$work/time"
  bytes=$(wc -c <"$work/out.$1")
  awk -v f="$1" -v s="$seconds" -v kb="$kb" -v b="$bytes" \
    'BEGIN { printf "%-11s %6.2f s  peak %4d MB  file %.1f MB\n", f, s, kb / 1024, b / 1e6 }' 
}
run csv
run xls
echo "load: $(cat /proc/loadavg | cut -d' ' -f1-3) on $(nproc) cores"
