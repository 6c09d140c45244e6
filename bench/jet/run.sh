#!/usr/bin/env bash
# Access export figures: kinsheet-batch on gedgen files of 100,000 and
# 500,000 people, all fields, Jet 4 (mdb) and Jet 3 (mdb95), with the CSV
# export of the same file as the baseline for loading and row assembly.
# Prints wall time, peak memory (/usr/bin/time -v) and file sizes.
#
#   bench/jet/run.sh [BUILD_DIR]          (default ./build)
#
# Environment: SIZES (default "100000 500000"), WORKDIR (kept when given),
# SEED (gedgen seed, default 1).
set -u

build=${1:-./build}
bin="$build/bin"
sizes=${SIZES:-100000 500000}
seed=${SEED:-1}

die() { echo "bench/jet: $*" >&2; exit 2; }
[ -x "$bin/kinsheet-batch" ] || die "no $bin/kinsheet-batch; build the kinsheet-batch target first"
[ -x "$bin/gedgen" ] || die "no $bin/gedgen; build the gedgen target first"
[ -f "$bin/Kinsheet2K.mdb" ] && [ -f "$bin/Kinsheet95.mdb" ] || die "no templates in $bin; build mdb_templates"
[ -x /usr/bin/time ] || die "/usr/bin/time is missing (Debian package 'time')"

if [ -n "${WORKDIR:-}" ]; then
  work=$WORKDIR
  mkdir -p "$work" || die "cannot make $work"
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/kinsheet-jet-bench.XXXXXX") || die "no temporary folder"
  trap 'rm -rf "$work"' EXIT
fi

# run FORMAT INPUT OUTPUT: sets sec, cpu, rss_mb, ok.
run() {
  local log="$work/time.log"
  /usr/bin/time -v "$bin/kinsheet-batch" export --quiet --force --fields all --format "$1" "$2" "$3" \
    >"$work/out.log" 2>"$log"
  ok=$?
  sec=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0;
        for (i = 1; i <= n; i++) s = s * 60 + t[i]; printf "%.2f", s }' "$log")
  cpu=$(awk -F': ' '/User time|System time/ { s += $2 } END { printf "%.2f", s }' "$log")
  rss_mb=$(awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$log")
}

printf "%-9s %-6s %9s %9s %9s %10s %11s  %s\n" people format "time s" "cpu s" "+csv cpu" "peak MB" "file MB" result
for n in $sizes; do
  ged="$work/people-$n.ged"
  [ -f "$ged" ] || "$bin/gedgen" --people "$n" --seed "$seed" -o "$ged" || die "gedgen failed"
  run csv "$ged" "$work/out-$n.csv"
  base=$cpu
  printf "%-9s %-6s %9s %9s %9s %10s %11s  %s\n" "$n" csv "$sec" "$cpu" "-" "$rss_mb" \
    "$(awk -v b="$(stat -c %s "$work/out-$n.csv")" 'BEGIN { printf "%.1f", b / 1e6 }')" \
    "$([ "$ok" = 0 ] && echo ok || echo "exit $ok")"
  for format in mdb mdb95; do
    out="$work/out-$n-$format.mdb"
    run "$format" "$ged" "$out"
    extra=$(awk -v a="$cpu" -v b="$base" 'BEGIN { printf "%.2f", a - b }')
    size=$( [ -f "$out" ] && awk -v b="$(stat -c %s "$out")" 'BEGIN { printf "%.1f", b / 1e6 }' || echo "-")
    result=$([ "$ok" = 0 ] && echo ok || echo "exit $ok: $(tr '\n' ' ' <"$work/out.log" | cut -c1-120)")
    printf "%-9s %-6s %9s %9s %9s %10s %11s  %s\n" "$n" "$format" "$sec" "$cpu" "$extra" "$rss_mb" "$size" "$result"
  done
done
echo "time: wall clock of the whole run (load, rows, writing); cpu: user + system;"
echo "+csv cpu: CPU beyond the CSV export of the same file (the database's own cost)."
echo "Targets: 500,000 people within 300 MB; 100,000 people in Jet 4 within 3 s of writing."
