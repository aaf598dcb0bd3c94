#!/usr/bin/env bash
# Speed of one revision against another (or against the work tree), in
# alternating wall-clock pairs on this machine.
#
#   tools/speed-compare.sh [--pairs N] [--perft] [--builds DIR] BASE [NEW]
#
# Builds BASE and NEW (default: the work tree as it is, uncommitted changes
# included) as Release builds with each tree's own default options, then
# runs `velkor-tool bench` N times each (default 8), alternating: base, new,
# base, new... so that a change in the machine's load hits both alike. Each
# pair gives a ratio, the new build's bench time over the base's; the script
# prints every pair, the median ratio and the fastest and slowest pair.
# Below 1 the new build is faster. The bench's evaluation counts are printed
# too: a change meant to keep the play must keep them equal (when they
# differ, the ratio compares different work).
#
# With --perft, N alternating pairs of `velkor-tool perft 6` follow, each
# checked against the known count. With --builds DIR, builds of commits are
# kept in DIR under their hash and reused by later runs (the work tree is
# built every time).
#
# The figures mean something only on an otherwise idle machine: the script
# counts the processor time the whole machine spent during the pairs and
# says so when it was more than the bench's own core.
set -euo pipefail

usage() {
  echo "usage: $0 [--pairs N] [--perft] [--builds DIR] BASE [NEW]" >&2
  exit 2
}

pairs=${RUNS:-8}
perft=no
builds=
revs=()
while [ $# -gt 0 ]; do
  case $1 in
    --pairs) [ $# -ge 2 ] || usage; pairs=$2; shift 2 ;;
    --perft) perft=yes; shift ;;
    --builds) [ $# -ge 2 ] || usage; builds=$2; shift 2 ;;
    -*) usage ;;
    *) revs+=("$1"); shift ;;
  esac
done
[ "${#revs[@]}" -ge 1 ] && [ "${#revs[@]}" -le 2 ] || usage
case $pairs in '' | *[!0-9]*) echo "the number of pairs must be a number" >&2; exit 2 ;; esac
[ "$pairs" -ge 1 ] || { echo "at least one pair" >&2; exit 2; }

root=$(cd "$(dirname "$0")/.." && pwd)
for rev in "${revs[@]}"; do
  git -C "$root" rev-parse --verify --quiet "$rev^{commit}" >/dev/null || {
    echo "not a revision: $rev" >&2
    exit 2
  }
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/velkor-speed.XXXXXX")
trap 'rm -rf "$tmp"' EXIT INT TERM
if [ -n "$builds" ]; then
  mkdir -p "$builds"
  builds=$(cd "$builds" && pwd)
fi

# build SOURCE BUILD_DIR: a Release velkor-tool, or the script ends.
build() {
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKOR_TESTS=OFF >"$2.log" 2>&1 &&
    cmake --build "$2" -j2 --target velkor-tool >>"$2.log" 2>&1 || {
    echo "build of $1 failed, see:" >&2
    tail -20 "$2.log" >&2
    exit 1
  }
}

# tool_of REV: builds the commit (or reuses its kept build) and prints its
# velkor-tool's path.
tool_of() {
  local sha dir
  sha=$(git -C "$root" rev-parse "$1^{commit}")
  dir=${builds:-$tmp}/$sha
  if [ ! -x "$dir/build/velkor-tool" ]; then
    rm -rf "$dir"
    mkdir -p "$dir/src"
    git -C "$root" archive "$sha" | tar -x -C "$dir/src"
    build "$dir/src" "$dir/build"
  fi
  echo "$dir/build/velkor-tool"
}

base_name=${revs[0]}
echo "building $base_name ($(git -C "$root" rev-parse --short "$base_name^{commit}"))"
base_tool=$(tool_of "$base_name")
if [ "${#revs[@]}" -eq 2 ]; then
  new_name=${revs[1]}
  echo "building $new_name ($(git -C "$root" rev-parse --short "$new_name^{commit}"))"
  new_tool=$(tool_of "$new_name")
else
  new_name="work tree"
  echo "building the work tree"
  build "$root" "$tmp/work"
  new_tool=$tmp/work/velkor-tool
fi

# The machine's busy and total processor time so far, in clock ticks.
cpu_ticks() { awk '$1 == "cpu" { busy = $2 + $3 + $4 + $7 + $8; print busy, busy + $5 + $6 }' /proc/stat; }
cores=$(getconf _NPROCESSORS_ONLN)

# One bench: sets evals and ms, or ends the script when the tool printed no
# totals line.
bench() {
  set -- "$1" $("$1" bench | awk '$1 == "total" && $2 == "evals" { print $3, $5 }' | tail -1)
  [ $# -eq 3 ] || { echo "no bench totals from $1" >&2; exit 1; }
  evals=$2
  ms=$3
}

# One perft 6: prints its wall time in milliseconds, failing on a wrong count.
perft6() {
  local start end nodes
  start=$(date +%s%N)
  nodes=$("$1" perft 6 2>/dev/null | grep -o '^[0-9]*' | head -1)
  end=$(date +%s%N)
  [ "$nodes" = 119060324 ] || { echo "perft 6 of $1 gave '$nodes'" >&2; exit 1; }
  echo $(((end - start) / 1000000))
}

# summary FILE: per-pair ratios in FILE; prints median, fastest and slowest.
summary() {
  sort -g "$1" | awk '{ v[NR] = $1 }
    END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
          printf "median ratio %.3f over %d pairs; fastest pair %.3f, slowest %.3f\n", m, NR, v[1], v[NR] }'
}

read -r busy0 total0 < <(cpu_ticks)
echo
echo "bench, $pairs alternating pairs: base $base_name, new $new_name (ratio = new time / base time)"
: >"$tmp/ratios"
for i in $(seq 1 "$pairs"); do
  bench "$base_tool"
  base_evals=$evals base_ms=$ms
  bench "$new_tool"
  new_evals=$evals new_ms=$ms
  echo "$base_evals" >>"$tmp/base.count"
  echo "$new_evals" >>"$tmp/new.count"
  ratio=$(awk -v b="$base_ms" -v n="$new_ms" 'BEGIN { printf "%.3f", n / b }')
  echo "$ratio" >>"$tmp/ratios"
  printf 'pair %2d  base %9.1f ms  new %9.1f ms  ratio %s\n' "$i" "$base_ms" "$new_ms" "$ratio"
done
echo "bench: $(summary "$tmp/ratios")"
echo "evaluation counts: base $(sort -u "$tmp/base.count" | tr '\n' ' ')/ new $(sort -u "$tmp/new.count" | tr '\n' ' ')"
if [ "$(sort -u "$tmp/base.count")" != "$(sort -u "$tmp/new.count")" ]; then
  echo "the counts differ: the two builds search differently, and the ratio compares different work"
fi

if [ "$perft" = yes ]; then
  echo
  echo "perft 6, $pairs alternating pairs (ratio = new time / base time)"
  : >"$tmp/perft-ratios"
  for i in $(seq 1 "$pairs"); do
    base_ms=$(perft6 "$base_tool")
    new_ms=$(perft6 "$new_tool")
    ratio=$(awk -v b="$base_ms" -v n="$new_ms" 'BEGIN { printf "%.3f", n / b }')
    echo "$ratio" >>"$tmp/perft-ratios"
    printf 'pair %2d  base %7d ms  new %7d ms  ratio %s\n' "$i" "$base_ms" "$new_ms" "$ratio"
  done
  echo "perft 6: $(summary "$tmp/perft-ratios")"
fi

# One core's worth is the bench itself; much more means something else ran.
read -r busy1 total1 < <(cpu_ticks)
awk -v b=$((busy1 - busy0)) -v t=$((total1 - total0)) -v c="$cores" 'BEGIN {
  used = t > 0 ? c * b / t : 0
  printf "\nthe machine was busy %.2f cores on average during the pairs (the bench uses 1 of %d)\n", used, c
  if (used > 1.15) print "NOT IDLE: something else ran meanwhile; these ratios are not worth quoting"
}'
