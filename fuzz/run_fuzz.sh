#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour
# sanitizers on) and runs each over its seed corpus for a bounded time. Stops
# at the first crash, sanitizer report, leak, hang or broken property: the
# input that caused it is left in <build>/artifacts/. Prints the number of
# executions of each target, in all and per process.
#
#   fuzz/run_fuzz.sh [seconds per target]     default 12: one minute in all
#
# Needs cmake, ninja, clang and libFuzzer's runtime; on Debian 12 the
# packages clang and libclang-rt-14-dev. VELKOR_FUZZ_BUILD names the build
# directory (default build-fuzz); inputs that the fuzzers find interesting
# accumulate in its corpus/ folder from one run to the next.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-12}
build=${VELKOR_FUZZ_BUILD:-$root/build-fuzz}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DVELKOR_FUZZ=ON -DVELKOR_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz_command_loop fuzz_move_text fuzz_replay fuzz_book fuzz_polyglot fuzz_fen

# target, longest input, extra options
targets=(
  "command_loop 8192 -dict=$root/fuzz/uci.dict"
  "move_text 64"
  "replay 4096 -dict=$root/fuzz/uci.dict"
  "book 2048"
  "polyglot 4096"
  "fen 512 -dict=$root/fuzz/fen.dict"
)

# A table size (the Hash option) that cannot be had must come back as no
# memory, which the engine handles, not stop the run. The engine writes
# every page of a table it makes: sizes of more than 256 MB are refused here,
# so that an input asking for gigabytes meets the refusal instead of the
# run's memory limit.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}allocator_may_return_null=1:max_allocation_size_mb=256"
# One fuzzing process per core (VELKOR_FUZZ_WORKERS sets another number),
# all on the same corpus: each finds its own inputs and picks up the others'
# when it next reads the folder.
workers=${VELKOR_FUZZ_WORKERS:-$(nproc 2>/dev/null || echo 1)}
[[ "$workers" =~ ^[1-9][0-9]*$ ]] || workers=1
mkdir -p "$build/artifacts"
summary=""
for entry in "${targets[@]}"; do
  read -r name max_len extra <<<"$entry"
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  echo "== fuzz_$name: $seconds s, $workers process(es)"
  # New inputs go to the first directory; the seeds in the repository are
  # only read. A single input running over 10 s counts as a hang.
  pids=()
  for ((w = 0; w < workers; ++w)); do
    timeout $((seconds + 120)) "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len="$max_len" \
      -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/artifacts/$name-" \
      ${extra:+"$extra"} "$corpus" "$root/fuzz/corpus/$name" >"$build/fuzz_$name.$w.log" 2>&1 &
    pids+=($!)
  done
  total=0
  per=""
  for ((w = 0; w < workers; ++w)); do
    log="$build/fuzz_$name.$w.log"
    if ! wait "${pids[$w]}"; then
      kill "${pids[@]}" 2>/dev/null || true
      tail -n 60 "$log"
      echo "fuzz_$name FAILED; the input is in $build/artifacts/" >&2
      exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    total=$((total + ${runs:-0}))
    per+="${per:+ + }${runs:-0}"
  done
  summary+=$(printf '%-20s %12s executions in %s s (%s a second; %s)' "fuzz_$name" "$total" "$seconds" \
    "$((total / seconds))" "$per")$'\n'
done
echo "== fuzzing: no crash"
printf '%s' "$summary"
