#!/usr/bin/env python3
"""Fails when an engine source includes a folder above its own layer.

The engine's folders, bottom to top; a file may include its own folder and
any folder of a lower layer, never a higher one (folders on one layer do not
include each other either, except where ALLOWED says so).
"""
import pathlib
import re
import sys

LAYERS = [
    ["base"],
    ["board"],
    ["movegen", "eval", "hash"],
    ["search"],
    ["notation"],
    ["book"],
    ["frontend"],
    ["tools"],
]
# Same-layer includes that are part of the design: the evaluator and the
# table sit beside the generators but read the board only, so there are none.
ALLOWED = set()

LEVEL = {folder: level for level, folders in enumerate(LAYERS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]+"')


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    faults = 0
    for folder in LEVEL:
        for path in sorted((root / folder).glob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            for number, text in enumerate(path.read_text(errors="replace").splitlines(), 1):
                match = INCLUDE.match(text)
                if not match or match.group(1) not in LEVEL:
                    continue
                target = match.group(1)
                if target == folder or (folder, target) in ALLOWED:
                    continue
                if LEVEL[target] >= LEVEL[folder]:
                    where = "up a layer" if LEVEL[target] > LEVEL[folder] else "across its layer"
                    print(f"{path.relative_to(root)}:{number}: {text.strip()}  ({folder} includes {target}, {where})")
                    faults += 1
    layers = " -> ".join("/".join(f) for f in LAYERS)
    if faults:
        print(f"{faults} include(s) break the layering {layers}")
        return 1
    print(f"layering holds: {layers}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
