#!/usr/bin/env python3
"""The bench's evaluation count against the one the README records.

The README's line "Bench count: N" is the one place the count is kept; a
change meant to keep the engine's play must leave velkor-tool bench (and the
engine's own "velkor bench", when given) at exactly that count.
"""
import argparse
import pathlib
import re
import subprocess
import sys


def recorded(readme: pathlib.Path) -> int:
    match = re.search(r"^Bench count: (\d+)$", readme.read_text(), re.MULTILINE)
    if not match:
        sys.exit(f"{readme}: no line 'Bench count: N'")
    return int(match.group(1))


def measured(command: list, pattern: str) -> int:
    out = subprocess.run(command, capture_output=True, text=True, timeout=300, stdin=subprocess.DEVNULL)
    lines = out.stdout.strip().splitlines()
    match = re.fullmatch(pattern, lines[-1]) if lines else None
    if out.returncode != 0 or not match:
        sys.exit(f"{' '.join(command)}: exit {out.returncode}, last line {lines[-1] if lines else '(none)'!r}")
    print(lines[-1])
    return int(match.group(1))


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True)
    parser.add_argument("--engine")
    parser.add_argument("--readme", required=True)
    args = parser.parse_args()
    expected = recorded(pathlib.Path(args.readme))
    counts = {"velkor-tool bench": measured([args.tool, "bench"], r"bench (\d+) evals \d+ eps")}
    if args.engine:
        counts["velkor bench"] = measured([args.engine, "bench"], r"(\d+) nodes \d+ nps")
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
