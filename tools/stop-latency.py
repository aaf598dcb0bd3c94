#!/usr/bin/env python3
"""How soon the engine answers "stop": a number of times, "go infinite" on a
position, a wait, then "stop", timed from the write of "stop" to the read of
"bestmove" (as a GUI would see it), and the same for "isready" during the
search. Prints each time, the median and the largest.

    tools/stop-latency.py [--trials 10] [--think 1000] -- build/velkor
    tools/stop-latency.py -- wine release/velkor-windows-x86-64.exe
    tools/stop-latency.py -- qemu-aarch64-static release/velkor-linux-aarch64

Exit status 1 if the engine does not answer within --limit ms (default 5000)
or ends badly, 0 otherwise. Timing is only honest on an idle machine.
"""
import argparse
import os
import queue
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

POSITIONS = [
    "position startpos",
    "position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5 a7a6",
    "position fen r1bq1rk1/pp2bppp/2n1pn2/2pp4/3P4/2PBPN2/PP1N1PPP/R1BQK2R w KQ - 0 8",
]


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--trials", type=int, default=10)
    p.add_argument("--think", type=int, default=1000, help="ms of searching before each stop")
    p.add_argument("--limit", type=int, default=5000, help="ms after which an answer counts as missing")
    p.add_argument("command", nargs="+")
    cfg = p.parse_args()

    # The engine runs in a folder of its own (its transcript goes there):
    # paths of files given on the command line are made absolute first.
    command = [os.path.abspath(a) if os.path.isfile(a) else a for a in cfg.command]
    workdir = tempfile.mkdtemp(prefix="velkor-stop-")
    proc = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, cwd=workdir)
    lines = queue.Queue()

    def reader():
        for raw in proc.stdout:
            lines.put((time.monotonic(), raw.decode(errors="replace").rstrip("\r\n")))
        lines.put((time.monotonic(), None))

    threading.Thread(target=reader, daemon=True).start()

    def send(text):
        proc.stdin.write((text + "\n").encode())
        proc.stdin.flush()
        return time.monotonic()

    def wait_for(prefix, timeout_ms):
        deadline = time.monotonic() + timeout_ms / 1000
        while True:
            try:
                at, line = lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                return None
            if line is None:
                return None
            if line.startswith(prefix):
                return at

    def answered_after(text, prefix, timeout_ms):
        """Sends text; the ms until a line beginning with prefix, None when
        none came within timeout_ms."""
        asked = send(text)
        answered = wait_for(prefix, timeout_ms)
        return None if answered is None else (answered - asked) * 1000

    send("uci")
    if wait_for("uciok", 30000) is None:
        print("no uciok")
        return 1
    send("isready")
    if wait_for("readyok", 30000) is None:
        print("no readyok")
        return 1
    stops, readies = [], []
    for trial in range(cfg.trials):
        send(POSITIONS[trial % len(POSITIONS)])
        started = send("go infinite")
        time.sleep(cfg.think / 2000)
        ready = answered_after("isready", "readyok", cfg.limit)
        if ready is None:
            print("trial %d: no readyok during the search within %d ms" % (trial, cfg.limit))
            return 1
        readies.append(ready)
        time.sleep(max(0.0, started + cfg.think / 1000 - time.monotonic()))
        stop = answered_after("stop", "bestmove", cfg.limit)
        if stop is None:
            print("trial %d: no bestmove within %d ms of stop" % (trial, cfg.limit))
            return 1
        stops.append(stop)
        print("trial %2d: readyok after %6.1f ms, bestmove %6.1f ms after stop" % (trial, readies[-1], stops[-1]),
              flush=True)
    send("quit")
    status = proc.wait(timeout=30)
    shutil.rmtree(workdir, ignore_errors=True)
    print("isready during the search: median %.1f ms, largest %.1f ms" % (statistics.median(readies), max(readies)))
    print("stop after %d ms of go infinite: median %.1f ms, largest %.1f ms (%d trials)"
          % (cfg.think, statistics.median(stops), max(stops), len(stops)))
    print("load average %s" % " ".join("%.2f" % x for x in os.getloadavg()))
    if status != 0:
        print("exit status %d" % status)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
