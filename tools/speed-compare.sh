#!/bin/sh
# Speed of a given revision against the work tree, side by side on this machine.
#
#   tools/speed-compare.sh REV        (RUNS=5 tools/speed-compare.sh REV for more runs)
#
# Builds REV (exported with git archive) and the work tree as it is, uncommitted
# changes included, into separate folders under a temporary directory, both as
# Release builds with each tree's own default options. Then runs, alternating
# between the two so that a change in the machine's load hits both alike,
# RUNS (default 3) times `velkor-tool bench` and RUNS times `velkor-tool perft
# 6`, and prints each run, the medians and the ratios. The bench's evaluation
# counts are printed too: a change meant to keep the play must keep them equal.
set -eu

if [ $# -ne 1 ]; then
  echo "usage: $0 REV" >&2
  exit 2
fi
rev=$1
runs=${RUNS:-3}
case $runs in '' | *[!0-9]*) echo "RUNS must be a number" >&2; exit 2 ;; esac
[ "$runs" -ge 1 ] || { echo "RUNS must be at least 1" >&2; exit 2; }

root=$(cd "$(dirname "$0")/.." && pwd)
git -C "$root" rev-parse --verify --quiet "$rev^{commit}" >/dev/null || {
  echo "not a revision: $rev" >&2
  exit 2
}

tmp=$(mktemp -d "${TMPDIR:-/tmp}/velkor-speed.XXXXXX")
trap 'rm -rf "$tmp"' EXIT INT TERM

echo "building $rev ($(git -C "$root" rev-parse --short "$rev^{commit}")) and the work tree in $tmp"
mkdir "$tmp/base-src"
git -C "$root" archive "$rev" | tar -x -C "$tmp/base-src"
build() {
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKOR_TESTS=OFF >"$2.log" 2>&1 &&
    cmake --build "$2" -j2 --target velkor-tool >>"$2.log" 2>&1 || {
    echo "build of $1 failed, see:" >&2
    tail -20 "$2.log" >&2
    exit 1
  }
}
build "$tmp/base-src" "$tmp/base"
build "$root" "$tmp/work"
base_tool=$tmp/base/velkor-tool
work_tool=$tmp/work/velkor-tool

now_ns() { date +%s%N; }

# One bench: prints "<evaluations> <evaluations per second>".
bench() {
  "$1" bench | awk '$1 == "bench" { print $2, $4 }' | tail -1
}

# One perft 6: prints its wall time in seconds, failing on a wrong count.
perft6() {
  start=$(now_ns)
  nodes=$("$1" perft 6 2>/dev/null | grep -o '^[0-9]*' | head -1)
  end=$(now_ns)
  [ "$nodes" = 119060324 ] || { echo "perft 6 of $1 gave '$nodes'" >&2; exit 1; }
  awk -v ns=$((end - start)) 'BEGIN { printf "%.3f\n", ns / 1e9 }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$tmp/base.eps"
: >"$tmp/work.eps"
: >"$tmp/base.perft"
: >"$tmp/work.perft"
i=1
while [ "$i" -le "$runs" ]; do
  for side in base work; do
    eval tool=\$${side}_tool
    set -- $(bench "$tool")
    [ $# -eq 2 ] || { echo "no bench line from $tool" >&2; exit 1; }
    echo "run $i $side bench: $1 evals, $2 eps"
    echo "$1" >>"$tmp/$side.count"
    echo "$2" >>"$tmp/$side.eps"
  done
  i=$((i + 1))
done
i=1
while [ "$i" -le "$runs" ]; do
  for side in base work; do
    eval tool=\$${side}_tool
    t=$(perft6 "$tool") && [ -n "$t" ] || exit 1
    echo "run $i $side perft 6: $t s"
    echo "$t" >>"$tmp/$side.perft"
  done
  i=$((i + 1))
done

base_eps=$(median <"$tmp/base.eps")
work_eps=$(median <"$tmp/work.eps")
base_perft=$(median <"$tmp/base.perft")
work_perft=$(median <"$tmp/work.perft")
echo
echo "medians of $runs runs        $rev          work tree     ratio"
awk -v b="$base_eps" -v w="$work_eps" 'BEGIN { printf "bench evals per second   %12d  %12d  %8.2fx\n", b, w, w / b }'
awk -v b="$base_perft" -v w="$work_perft" 'BEGIN { printf "perft 6 seconds          %12.3f  %12.3f  %8.2fx\n", b, w, b / w }'
echo "bench evaluation counts: $rev $(sort -u "$tmp/base.count" | tr '\n' ' ')/ work tree $(sort -u "$tmp/work.count" | tr '\n' ' ')"
