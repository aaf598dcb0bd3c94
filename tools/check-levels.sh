#!/usr/bin/env bash
# Plays games of one strength level (UCI_Elo) against Debian's stockfish,
# limited to a UCI_Elo of its own, or against another level of the engine,
# and prints the score, the rating the score implies, its 95 % error and the
# losses on time of each side. This is how the levels' ratings in README
# were measured; run it on an otherwise idle machine, since the clock is
# real.
#
#   tools/check-levels.sh LEVEL [--games N] [--control C] [--against ELO |
#       --against-level LEVEL2] [--seed S] [--slow] [--build DIR] [--record FILE]
#
# LEVEL: a UCI_Elo setting, or "full" for UCI_LimitStrength off.
# --games N        games to play, colours swapped in pairs (default 100)
# --control C      "S+I": S seconds a side and I seconds added after every
#                  move (default 2+0.02)
# --against ELO    stockfish with UCI_LimitStrength and this UCI_Elo,
#                  1350..2850 (default 1350), on the same clock
# --against-level L2  the engine at level L2 instead, whose rating is taken
#                  to be its setting (the setting of a calibrated level is
#                  the rating it measured)
# --seed S         seed of the games' random openings (default 1): runs of
#                  the same size with other seeds play other games
# --slow           the engine shares a core with a busy loop, which makes it
#                  about twice as slow (as on a small board); stockfish and
#                  the referee run on another core. Needs taskset and two
#                  cores.
# --build DIR      where velkor and velkor-tool are (default build)
# --record FILE    append each game's moves to FILE
#
# Games start after 2 to 6 random legal plies (both colours of a pair play
# the same opening), a game still running after 400 plies is adjudicated a
# draw, and a loss on time counts as a lost game of the side whose clock
# ran out. Exit status: the harness's (1 on an illegal move, a crash or a
# hang of the engine; 77 when stockfish is missing).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
level=""
games=100
control=2+0.02
against=1350
against_level=""
seed=1
slow=0
build="$root/build"
record=""

usage() {
  sed -n '2,/^set -eu/p' "$0" | sed -e '/^set -eu/d' -e 's/^# \{0,1\}//' >&2
  exit 2
}

while [ $# -gt 0 ]; do
  case "$1" in
    --games) games=$2; shift 2 ;;
    --control) control=$2; shift 2 ;;
    --against) against=$2; shift 2 ;;
    --against-level) against_level=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --slow) slow=1; shift ;;
    --build) build=$2; shift 2 ;;
    --record) record=$2; shift 2 ;;
    -h|--help) usage ;;
    -*) echo "unknown option $1" >&2; usage ;;
    *) [ -z "$level" ] || usage; level=$1; shift ;;
  esac
done
[ -n "$level" ] || usage
case "$level" in
  full) options="UCI_LimitStrength=false" ;;
  *[!0-9]*) echo "LEVEL must be a UCI_Elo setting or \"full\"" >&2; exit 2 ;;
  *) options="UCI_LimitStrength=true,UCI_Elo=$level" ;;
esac

velkor=$(cd "$build" && pwd)/velkor
tool=$(cd "$build" && pwd)/velkor-tool
[ -x "$velkor" ] || { echo "no engine at $velkor: build it first" >&2; exit 2; }

args=(--velkor "$velkor" --tool "$tool" --opponent-velkor "$velkor" --games "$games" --seed "$seed"
      --controls "$control" --cap 400 --opening 2-6 --score-time-losses --velkor-options "$options")
if [ -n "$against_level" ]; then
  args+=(--opponent velkor --opponent-options "UCI_LimitStrength=true,UCI_Elo=$against_level"
         --opponent-rating "$against_level")
else
  args+=(--opponent-options "UCI_LimitStrength=true,UCI_Elo=$against" --opponent-clock
         --opponent-rating "$against")
fi
[ -z "$record" ] || args+=(--record "$record")

prefix=()
if [ "$slow" = 1 ]; then
  [ "$(nproc)" -ge 2 ] || { echo "--slow needs two cores" >&2; exit 2; }
  command -v taskset >/dev/null || { echo "--slow needs taskset (util-linux)" >&2; exit 2; }
  scratch=$(mktemp -d)
  # The engine on core 1 with the busy loop; everything else on core 0.
  printf '#!/bin/sh\nexec taskset -c 1 "%s" "$@"\n' "$velkor" >"$scratch/velkor"
  chmod +x "$scratch/velkor"
  taskset -c 1 sh -c 'while :; do :; done' &
  loop=$!
  trap 'kill "$loop" 2>/dev/null; rm -rf "$scratch"' EXIT
  args[1]="$scratch/velkor"
  prefix=(taskset -c 0)
fi

echo "level $level against ${against_level:+level }${against_level:-stockfish $against}, $games games at $control, seed $seed$([ "$slow" = 1 ] && echo ", engine on a shared core")"
status=0
"${prefix[@]}" python3 "$root/tests/play/harness.py" "${args[@]}" || status=$?
exit "$status"
