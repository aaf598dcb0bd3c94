#!/usr/bin/env python3
"""A broken UCI engine for testing the game harness: it answers the handshake
like any engine, then misbehaves on "go" (or on "quit") in the way that the
environment variable FAKE_ENGINE_FAULT names:

  illegal  answers "bestmove a1a1"
  none     answers "bestmove (none)"
  hang     never answers
  crash    ends at once, without a word
  slow     answers only 300 ms after its clock has run out
  chatter  sends a stray line after "readyok" is due
  silent   answers without an "info" line with a score first
  exit3    plays no move wrong, but ends with status 3 on "quit"

Every other answer is preceded by an "info" line with a score, as a
searching engine's is.
"""

import os
import sys
import time

FAULT = os.environ.get("FAKE_ENGINE_FAULT", "")


def send(text):
    sys.stdout.write(text + "\n")
    sys.stdout.flush()


def main():
    half_moves = 0
    for line in sys.stdin:
        line = line.strip()
        if line == "uci":
            send("id name fake")
            send("uciok")
        elif line == "isready":
            if FAULT == "chatter":
                send("info string surprise")
            send("readyok")
        elif line.startswith("position"):
            words = line.split()
            half_moves = len(words) - 3 if "moves" in words else 0
        elif line.startswith("go"):
            words = line.split()
            if FAULT not in ("silent", "none"):
                send("info depth 1 score cp 0 time 0 nodes 1 nps 0 pv a1a1")
            if FAULT == "illegal":
                send("bestmove a1a1")
            elif FAULT == "none":
                send("bestmove (none)")
            elif FAULT == "hang":
                time.sleep(3600)
            elif FAULT == "crash":
                os._exit(0)
            elif FAULT == "slow":
                clock = int(words[words.index("wtime" if half_moves % 2 == 0 else "btime") + 1])
                time.sleep(clock / 1000.0 + 0.3)
                send("bestmove a1a1")
            else:
                send("bestmove a1a1")
        elif line == "quit":
            sys.exit(3 if FAULT == "exit3" else 0)


if __name__ == "__main__":
    main()
