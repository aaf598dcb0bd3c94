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


def check_figures():
    """The calibration's arithmetic: the Elo of a score and its interval,
    and controls with an increment. Returns the number of wrong figures."""
    wrong = 0
    checks = [
        # 75 %: +191 Elo; an even score: 0; the interval narrows with games.
        (round(harness.elo_estimate(50, 0, 50)[2]), 0),
        (round(harness.elo_estimate(75, 0, 25)[2]), 191),
        (round(harness.elo_estimate(25, 50, 25)[2]), 0),
        (harness.elo_estimate(300, 0, 300)[5] < harness.elo_estimate(30, 0, 30)[5], True),
        # Draws narrow it too: the same score with fewer decisive games.
        (harness.elo_estimate(25, 50, 25)[5] < harness.elo_estimate(50, 0, 50)[5], True),
        # 0 and 100 % stay finite.
        (harness.elo_estimate(0, 0, 10)[2] < -300, True),
        (harness.elo_estimate(10, 0, 0)[2] > 300, True),
        (harness.elo_estimate(0, 0, 0), None),
        ((harness.Control("2+0.02").base_ms, harness.Control("2+0.02").inc_ms), (2000.0, 20.0)),
        ((harness.Control("40/20").moves, harness.Control("40/20").inc_ms), (40, 0.0)),
        (harness.parse_options("UCI_Elo=1200, Move Overhead=10"), [("UCI_Elo", "1200"), ("Move Overhead", "10")]),
    ]
    for got, expected in checks:
        if got != expected:
            wrong += 1
            print("figure wrong: %r, expected %r" % (got, expected))
    for bad in ("40/20+1", "2+-1", "0+1"):
        try:
            harness.Control(bad)
        except ValueError:
            continue
        wrong += 1
        print("control %r taken" % bad)
    return wrong


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
    wrong = check_figures()
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
    # A calibration counts a loss on time as a lost game, and says so, rather
    # than failing the run or leaving the game out of the score.
    env = dict(os.environ, FAKE_ENGINE_FAULT="slow")
    command = [sys.executable, os.path.join(HERE, "harness.py"), "--velkor", os.path.join(HERE, "fake_engine.py"),
               "--tool", args.tool, "--only", "1", "--controls", "1", "--opening", "2", "--no-keep",
               "--score-time-losses", "--opponent-rating", "1350"]
    run = subprocess.run(command, env=env, capture_output=True, text=True, timeout=120)
    expected = ["all                0    0    1", "losses on time, velkor: 1 of 1 games",
                "(the opponent's 1350 "]
    scored = run.returncode == 0 and all(text in run.stdout for text in expected)
    print("%-8s %s" % ("scored", "counted as a loss" if scored else "NOT COUNTED"))
    if not scored:
        wrong += 1
        print("  exit status %d, expected 0 and %r in:\n%s%s" % (run.returncode, expected, run.stdout, run.stderr))
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
