#!/usr/bin/env bash
# Load and export benchmark of kinsheet-batch on synthetic GEDCOM files made
# by gedgen. Builds nothing: it uses the programs of an existing build folder.
#
#   bench/run.sh [BUILD_DIR]        (default ./build)
#
# Settings, from the environment:
#   SIZES     people per generated file            "10000 100000 500000 1000000"
#   FORMATS   export formats, each FORMAT or FORMAT:N,N,... to time it at other
#             sizes than SIZES (formats: csv txt xls xlsx mdb mdb95 sqlite)
#             default "csv txt xlsx sqlite"
#             e.g. FORMATS="csv txt xls:65000 mdb:100000,500000"
#   RUNS      timed runs per step; the fastest is reported         3
#   SEED      gedgen seed                                          1
#   GEDGEN_FLAGS  extra gedgen options, e.g. "--non-ascii --line-ends crlf"
#   WORKDIR   where the files go (kept); default a temporary folder, removed
#   TIMEOUT   seconds before one step is abandoned                  600
#   LIVING    the exports' living-people option: include, private or
#             exclude (private and exclude read every person once more)  include
#   BASELINE  another kinsheet-batch (an older build) to set against this one:
#             load + CSV of the target size, the two in turn RUNS times,
#             median CPU seconds (user + system) of each, their ratio, peak
#             memory, and whether the two CSV files are the same bytes
set -u

build=${1:-./build}
bin="$build/bin"
sizes=${SIZES:-10000 100000 500000 1000000}
formats=${FORMATS:-csv txt xlsx sqlite}
living=${LIVING:-include}
runs=${RUNS:-3}
seed=${SEED:-1}
gedgen_flags=${GEDGEN_FLAGS:-}
limit=${TIMEOUT:-600}
baseline=${BASELINE:-}
# This build's load + CSV CPU time against BASELINE's, at most.
target_cpu_ratio=0.75

# Targets printed beside the figures.
target_people=500000
target_seconds=6
target_mb=300
target_ratio=1.5
# Twice the people in at most this many times the time and this much memory.
big_people=1000000
big_ratio=2.2
big_mb=150
# Load + export of the same file with every field, by format: seconds, MB.
declare -A target_format_seconds=([sqlite]=5 [xlsx]=20)
declare -A target_format_mb=([sqlite]=200 [xlsx]=200)

die() { echo "bench: $*" >&2; exit 2; }

[ -x "$bin/gedgen" ] || die "no $bin/gedgen; build the gedgen target first"
[ -x /usr/bin/time ] || die "/usr/bin/time is missing (Debian package 'time')"
batch="$bin/kinsheet-batch"
have_batch=1
[ -x "$batch" ] || have_batch=0

if [ -n "${WORKDIR:-}" ]; then
  work=$WORKDIR
  mkdir -p "$work" || die "cannot make $work"
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/kinsheet-bench.XXXXXX") || die "no temporary folder"
  trap 'rm -rf "$work"' EXIT
fi

now_ns() { date +%s%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b - a) / 1e9 }'; }

# measure LABEL COMMAND...: runs COMMAND RUNS times under /usr/bin/time -v.
# Sets m_sec (fastest wall time), m_rss_mb (largest peak RSS), m_ok, and
# m_phases (the tool's own split of the fastest run, when it printed one).
measure() {
  local label=$1
  shift
  m_sec=""
  m_phases=""
  m_rss_mb=0
  m_ok=1
  local i start end sec rss
  for ((i = 0; i < runs; i++)); do
    start=$(now_ns)
    if ! timeout "$limit" /usr/bin/time -v -o "$work/time.txt" "$@" \
        >"$work/out.txt" 2>"$work/err.txt"; then
      m_ok=0
      echo "  $label: FAILED (exit status, or over ${limit}s): $(tail -n 3 "$work/err.txt" | tr '\n' ' ')"
      return
    fi
    end=$(now_ns)
    sec=$(seconds "$start" "$end")
    rss=$(awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$work/time.txt")
    if [ -z "$m_sec" ] || awk -v a="$sec" -v b="$m_sec" 'BEGIN { exit !(a < b) }'; then
      m_sec=$sec
      m_phases=$(sed -n 's/^Kinsheet: timings: //p' "$work/err.txt")
    fi
    if awk -v a="$rss" -v b="$m_rss_mb" 'BEGIN { exit !(a > b) }'; then
      m_rss_mb=$rss
    fi
  done
}

rate() { awk -v n="$1" -v s="$2" 'BEGIN { if (s > 0) printf "%.0f", n / s; else print "-" }'; }

# FORMATS entries to "format sizes..." lines.
format_plan() {
  local entry fmt list
  for entry in $formats; do
    fmt=${entry%%:*}
    if [ "$fmt" = "$entry" ]; then
      list=$sizes
    else
      list=$(echo "${entry#*:}" | tr ',' ' ')
    fi
    echo "$fmt $list"
  done
}

# A one-person file measures each step's start-up.
all_sizes=$( (echo 1; for n in $sizes; do echo "$n"; done; format_plan | cut -d' ' -f2- | tr ' ' '\n') |
  grep -E '^[0-9]+$' | sort -n -u)

echo "Kinsheet load and export benchmark"
echo "build: $build   seed: $seed   runs per step: $runs (fastest kept)   $(nproc) cores"
echo "gedgen flags: ${gedgen_flags:-(none)}   living people: $living   work folder: $work"
if [ "$have_batch" = 0 ]; then
  echo "kinsheet-batch is not built in $bin: generator figures only"
fi
echo

# Input files.
printf '%-9s %10s %12s %10s %10s\n' people "file MB" lines "gedgen s" "wc -l s"
for n in $all_sizes; do
  ged="$work/people-$n-seed-$seed.ged"
  # shellcheck disable=SC2086
  measure "gedgen $n" "$bin/gedgen" --people "$n" --seed "$seed" $gedgen_flags -o "$ged"
  [ "$m_ok" = 1 ] || die "gedgen failed"
  gen_sec=$m_sec
  start=$(now_ns)
  lines=$(wc -l <"$ged")
  end=$(now_ns)
  mb=$(awk -v b="$(stat -c %s "$ged")" 'BEGIN { printf "%.1f", b / 1048576 }')
  printf '%-9s %10s %12s %10s %10s\n' "$n" "$mb" "$lines" "$gen_sec" "$(seconds "$start" "$end")"
done
echo

[ "$have_batch" = 1 ] || exit 0

# Steps: the load alone (counters), then each export format.
declare -A sec_of
printf '%-13s %9s %9s %11s %12s %11s %9s\n' step people seconds "people/s" "us/person" "max RSS MB" \
  "out MB"
# run_step STEP N OUTPUT COMMAND...: OUTPUT is the file the step writes, or -.
run_step() {
  local step=$1 n=$2 output=$3 out_mb=""
  shift 3
  measure "$step $n" "$@"
  if [ "$m_ok" = 1 ]; then
    sec_of["$step $n"]=$m_sec
    if [ "$output" != - ] && [ -f "$output" ]; then
      out_mb=$(awk -v b="$(stat -c %s "$output")" 'BEGIN { printf "%.1f", b / 1048576 }')
    fi
    if [ "$n" = 1 ]; then
      printf '%-13s %9s %9s %11s %12s %11s %9s\n' "$step" "1" "$m_sec" "(start-up)" "" "$m_rss_mb" \
        "$out_mb"
    else
      printf '%-13s %9s %9s %11s %12s %11s %9s\n' "$step" "$n" "$m_sec" "$(rate "$n" "$m_sec")" \
        "$(awk -v s="$m_sec" -v n="$n" 'BEGIN { printf "%.2f", s * 1e6 / n }')" "$m_rss_mb" "$out_mb"
    fi
    rss_of["$step $n"]=$m_rss_mb
    phases_of["$step $n"]=$m_phases
  else
    printf '%-13s %9s %9s\n' "$step" "$n" FAILED
  fi
}
declare -A rss_of
declare -A count_of
declare -A phases_of
for n in 1 $sizes; do
  run_step counters "$n" - "$batch" counters "$work/people-$n-seed-$seed.ged"
  # What the load counted, for the checks below.
  count_of[$n]=$(sed -n 's/.*"IndividualCount":\([0-9]*\).*/\1/p' "$work/out.txt")
done
declare -A lines_of
while read -r fmt list; do
  ext=$fmt
  [ "$fmt" = mdb95 ] && ext=mdb
  [ "$fmt" = sqlite ] && ext=sqlite
  for n in 1 $list; do
    run_step "export $fmt" "$n" "$work/out-$n.$ext" "$batch" export --quiet --force --timings \
      --format "$fmt" --living "$living" "$work/people-$n-seed-$seed.ged" "$work/out-$n.$ext"
    if [ "$fmt" = csv ] && [ -f "$work/out-$n.$ext" ]; then lines_of[$n]=$(wc -l <"$work/out-$n.$ext"); fi
  done
done < <(format_plan)
echo

verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v <= t) ? "met" : "MISSED" }'; }

# The same load + CSV by BASELINE and by this build, alternately, so that a
# machine whose speed drifts slows both alike.
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
if [ -n "$baseline" ]; then
  [ -x "$baseline" ] || die "BASELINE $baseline is not a program"
  ged="$work/people-$target_people-seed-$seed.ged"
  if [ ! -f "$ged" ]; then
    "$bin/gedgen" --people "$target_people" --seed "$seed" $gedgen_flags -o "$ged" || die "gedgen failed"
  fi
  : >"$work/cpu-base.txt"
  : >"$work/cpu-this.txt"
  : >"$work/rss-base.txt"
  : >"$work/rss-this.txt"
  for ((i = 0; i < runs; i++)); do
    for side in base this; do
      prog=$batch
      [ "$side" = base ] && prog=$baseline
      timeout "$limit" /usr/bin/time -f '%U %S %M' -o "$work/time.txt" "$prog" export --quiet --force \
        --living "$living" "$ged" "$work/out-$side.csv" >/dev/null 2>&1 || die "$side run failed"
      awk '{ printf "%.3f\n", $1 + $2 }' "$work/time.txt" >>"$work/cpu-$side.txt"
      awk '{ printf "%.1f\n", $3 / 1024 }' "$work/time.txt" >>"$work/rss-$side.txt"
    done
  done
  base_cpu=$(median <"$work/cpu-base.txt")
  this_cpu=$(median <"$work/cpu-this.txt")
  ratio=$(awk -v a="$this_cpu" -v b="$base_cpu" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "inf" }')
  same="same bytes"
  cmp -s "$work/out-base.csv" "$work/out-this.csv" || same="DIFFERENT bytes"
  printf '%s people load + CSV, median CPU of %s runs: baseline %s s (%s MB), this build %s s (%s MB): %sx (target <= %sx: %s); CSV: %s\n' \
    "$target_people" "$runs" "$base_cpu" "$(sort -n "$work/rss-base.txt" | tail -n 1)" "$this_cpu" \
    "$(sort -n "$work/rss-this.txt" | tail -n 1)" "$ratio" "$target_cpu_ratio" \
    "$(verdict "$ratio" "$target_cpu_ratio")" "$same"
fi

# Per-person time at the largest size against the smallest.
echo "Targets"
small=$(echo "$sizes" | tr ' ' '\n' | grep -E '^[0-9]+$' | sort -n | head -n 1)
large=$(echo "$sizes" | tr ' ' '\n' | grep -E '^[0-9]+$' | sort -n | tail -n 1)
for step in counters $(format_plan | cut -d' ' -f1 | sed 's/^/export_/'); do
  step=${step/export_/export }
  a=${sec_of["$step $small"]:-}
  b=${sec_of["$step $large"]:-}
  if [ -z "$a" ] || [ -z "$b" ] || [ "$small" = "$large" ]; then continue; fi
  ratio=$(awk -v a="$a" -v b="$b" -v s="$small" -v l="$large" \
    'BEGIN { if (a > 0) printf "%.2f", (b / l) / (a / s); else print "inf" }')
  # The same without the start-up time (the one-person run), which
  # otherwise flatters the large file.
  z=${sec_of["$step 1"]:-0}
  net=$(awk -v a="$a" -v b="$b" -v z="$z" -v s="$small" -v l="$large" \
    'BEGIN { if (a > z) printf "%.2f", ((b - z) / l) / ((a - z) / s); else print "n/a" }')
  printf '%-13s time per person at %s / at %s: %sx (target <= %sx: %s); net of %ss start-up: %sx\n' \
    "$step" "$large" "$small" "$ratio" "$target_ratio" "$(verdict "$ratio" "$target_ratio")" "$z" "$net"
done
csv_sec=${sec_of["export csv $target_people"]:-}
if [ -n "$csv_sec" ]; then
  csv_rss=${rss_of["export csv $target_people"]}
  printf '%s people load + CSV: %s s (target <= %s s: %s), %s MB (target <= %s MB: %s)\n' \
    "$target_people" "$csv_sec" "$target_seconds" "$(verdict "$csv_sec" "$target_seconds")" \
    "$csv_rss" "$target_mb" "$(verdict "$csv_rss" "$target_mb")"
else
  echo "$target_people people load + CSV: not measured (needs csv in FORMATS and $target_people in SIZES)"
fi

# Twice the people: time and memory that follow the file, and nobody lost.
big_sec=${sec_of["export csv $big_people"]:-}
half_sec=${sec_of["export csv $((big_people / 2))"]:-}
if [ -n "$big_sec" ] && [ -n "$half_sec" ]; then
  big_rss=${rss_of["export csv $big_people"]}
  ratio=$(awk -v a="$half_sec" -v b="$big_sec" 'BEGIN { if (a > 0) printf "%.2f", b / a; else print "inf" }')
  printf '%s people load + CSV: %s s, %sx the %s-person time (target <= %sx: %s), %s MB (target <= %s MB: %s)\n' \
    "$big_people" "$big_sec" "$ratio" "$((big_people / 2))" "$big_ratio" \
    "$(verdict "$ratio" "$big_ratio")" "$big_rss" "$big_mb" "$(verdict "$big_rss" "$big_mb")"
  counted=${count_of[$big_people]:-?}
  lines=${lines_of[$big_people]:-?}
  check="met"
  { [ "$counted" = "$big_people" ] && [ "$lines" = "$((big_people + 1))" ]; } || check="MISSED"
  printf '%s people: IndividualCount %s, CSV lines %s (caption + one per person: %s)\n' \
    "$big_people" "$counted" "$lines" "$check"
else
  echo "$big_people people load + CSV: failed, or not measured (needs csv in FORMATS, $big_people and $((big_people / 2)) in SIZES)"
fi
# The newer formats beside CSV of the same run; the tool's own split says how
# much of an export is the rows and how much the finishing (for .xlsx the
# compression of the package, for SQLite the index).
for fmt in xlsx sqlite; do
  sec=${sec_of["export $fmt $target_people"]:-}
  if [ -z "$sec" ]; then
    echo "$target_people people load + $fmt: not measured (needs $fmt in FORMATS and $target_people in SIZES)"
    continue
  fi
  rss=${rss_of["export $fmt $target_people"]}
  printf '%s people load + %s: %s s (target <= %s s: %s), %s MB (target <= %s MB: %s); CSV %s s; %s\n' \
    "$target_people" "$fmt" "$sec" "${target_format_seconds[$fmt]}" \
    "$(verdict "$sec" "${target_format_seconds[$fmt]}")" "$rss" "${target_format_mb[$fmt]}" \
    "$(verdict "$rss" "${target_format_mb[$fmt]}")" "${csv_sec:--}" \
    "${phases_of["export $fmt $target_people"]:-no split printed}"
done
