#!/usr/bin/env python3
"""The game harness must fail, and say why, on every fault it is there to
catch: each run below puts a deliberately broken engine (fake_engine.py) in
velkor's place and expects exit status 1 with the fault named, the game's
moves and the engine's last lines printed.

Usage: harness_selftest.py --tool PATH-TO-velkor-tool
Exit status 0 all faults caught, 1 otherwise, 77 stockfish missing (skipped)
unless VELKOR_REQUIRE_STOCKFISH=1.
"""

import argparse
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import harness  # noqa: E402

# fault -> (harness options beyond the common ones, text the report must hold)
CASES = {
    "illegal": ([], "illegal move by velkor: a1a1"),
    "none": ([], "bestmove (none) while legal moves exist"),
    "hang": ([], "hang: no bestmove within the clock"),
    "crash": ([], "crash: velkor: output closed"),
    "slow": ([], "loss on time"),
    "chatter": ([], 'unexpected line "info string surprise"'),
    "silent": ([], "no info line with a depth, a score and a pv before bestmove a1a1"),
    # The cap ends the game before the engine's first move; only "quit" is left.
    "exit3": (["--cap", "2"], "velkor exit status 3 after quit"),
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True)
    args = parser.parse_args()
    if harness.find_stockfish(None) is None:
        if os.environ.get("VELKOR_REQUIRE_STOCKFISH") == "1":
            print("stockfish not found, and VELKOR_REQUIRE_STOCKFISH=1")
            return 1
        print("SKIPPED: stockfish not found")
        return harness.SKIP
    wrong = 0
    for fault, (options, text) in CASES.items():
        env = dict(os.environ, FAKE_ENGINE_FAULT=fault)
        command = [sys.executable, os.path.join(HERE, "harness.py"), "--velkor",
                   os.path.join(HERE, "fake_engine.py"), "--tool", args.tool, "--only", "1",
                   "--controls", "1", "--opening", "2", "--no-keep"] + options
        run = subprocess.run(command, env=env, capture_output=True, text=True, timeout=120)
        out = run.stdout
        caught = (run.returncode == 1 and text in out and "moves: position startpos" in out
                  and "velkor's last lines:" in out)
        print("%-8s %s" % (fault, "caught" if caught else "NOT CAUGHT"))
        if not caught:
            wrong += 1
            print("  exit status %d, expected 1 and %r in:\n%s%s" % (run.returncode, text, out, run.stderr))
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
