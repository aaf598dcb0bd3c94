#!/usr/bin/env python3
"""The bench's evaluation count against the one the README records.

The README's line "Bench count: N" is the one place the count is kept; a
change meant to keep the engine's play must leave velkor-tool bench (and the
engine's own "velkor bench", when given) at exactly that count. Every build
of the engine prints it: --engine may be given once per binary, with the
program that runs it ("wine velkor.exe", "qemu-aarch64-static velkor").
"""
import argparse
import pathlib
import re
import shlex
import subprocess
import sys


def recorded(readme: pathlib.Path) -> int:
    match = re.search(r"^Bench count: (\d+)$", readme.read_text(), re.MULTILINE)
    if not match:
        sys.exit(f"{readme}: no line 'Bench count: N'")
    return int(match.group(1))


def measured(command: list, pattern: str) -> int:
    # An emulated build (qemu) runs the bench several times slower.
    out = subprocess.run(command, capture_output=True, text=True, timeout=1200, stdin=subprocess.DEVNULL)
    lines = out.stdout.strip().splitlines()
    match = re.fullmatch(pattern, lines[-1]) if lines else None
    if out.returncode != 0 or not match:
        sys.exit(f"{' '.join(command)}: exit {out.returncode}, last line {lines[-1] if lines else '(none)'!r}")
    print(f"{' '.join(command)}: {lines[-1]}")
    return int(match.group(1))


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool")
    parser.add_argument("--engine", action="append", default=[],
                        help="an engine binary, or the command that runs one (repeatable)")
    parser.add_argument("--readme", required=True)
    args = parser.parse_args()
    expected = recorded(pathlib.Path(args.readme))
    counts = {}
    if args.tool:
        counts["velkor-tool bench"] = measured([args.tool, "bench"], r"bench (\d+) evals \d+ eps")
    for engine in args.engine:
        command = shlex.split(engine)
        counts[" ".join(command) + " bench"] = measured(command + ["bench"], r"(\d+) nodes \d+ nps")
    failed = False
    for name, count in counts.items():
        if count != expected:
            print(f"{name}: {count} evaluations, the README records {expected}")
            failed = True
    if not failed:
        print(f"bench count {expected} as recorded")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
