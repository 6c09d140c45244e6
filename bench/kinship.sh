#!/usr/bin/env bash
# Load + CSV of a generated file with every "More fields" box ticked and a
# root person, against load + CSV with the 28 fields, run in turn in the
# same session. Prints the fastest wall time and the peak memory of each
# and their ratios beside the targets (1.3x time, 1.5x memory).
#
#   bench/kinship.sh [BUILD_DIR]        (default ./build)
#
# Settings, from the environment:
#   PEOPLE    people in the generated file                 1000000
#   RUNS      runs of each; the fastest time, the largest memory  3
#   SEED      gedgen seed                                   1
#   ROOT      the root person's id                          I1
#   WORKDIR   where the files go (kept); default a temporary folder, removed
set -u

build=${1:-./build}
bin="$build/bin"
people=${PEOPLE:-1000000}
runs=${RUNS:-3}
seed=${SEED:-1}
root=${ROOT:-I1}
target_time=1.3
target_memory=1.5

for tool in gedgen kinsheet-batch; do
  [ -x "$bin/$tool" ] || { echo "kinship.sh: $bin/$tool is missing; build first" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "kinship.sh: needs /usr/bin/time (Debian package 'time')" >&2; exit 1; }

if [ -n "${WORKDIR:-}" ]; then
  work=$WORKDIR
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi

ged="$work/people-$people.ged"
[ -s "$ged" ] || "$bin/gedgen" --people "$people" --seed "$seed" -o "$ged" || exit 1

# One run: prints "seconds kilobytes".
measure() {
  local out="$work/$1.csv"
  shift
  /usr/bin/time -f "%e %M" -o "$work/time.txt" "$bin/kinsheet-batch" export --quiet --force "$@" "$ged" "$out" \
    >/dev/null 2>"$work/stderr.txt" || { cat "$work/stderr.txt" >&2; exit 1; }
  cat "$work/time.txt"
}

best_base=; best_more=; mem_base=0; mem_more=0
for ((i = 1; i <= runs; i++)); do
  read -r t m < <(measure base --fields all)
  if [ -z "$best_base" ] || awk -v a="$t" -v b="$best_base" 'BEGIN{exit !(a < b)}'; then best_base=$t; fi
  ((m > mem_base)) && mem_base=$m
  read -r t m < <(measure more --fields all,more --root "$root")
  if [ -z "$best_more" ] || awk -v a="$t" -v b="$best_more" 'BEGIN{exit !(a < b)}'; then best_more=$t; fi
  ((m > mem_more)) && mem_more=$m
done

awk -v p="$people" -v tb="$best_base" -v tm="$best_more" -v mb="$mem_base" -v mm="$mem_more" \
    -v tt="$target_time" -v tmem="$target_memory" 'BEGIN {
  rt = tm / tb; rm = mm / mb
  printf "%d people, load + CSV, fastest of the runs, largest memory:\n", p
  printf "  28 fields:            %7.2f s  %7.1f MB\n", tb, mb / 1024
  printf "  28 + More, with root: %7.2f s  %7.1f MB\n", tm, mm / 1024
  printf "  time   %.2fx (target at most %.1fx) %s\n", rt, tt, rt <= tt ? "ok" : "MISSED"
  printf "  memory %.2fx (target at most %.1fx) %s\n", rm, tmem, rm <= tmem ? "ok" : "MISSED"
}'
