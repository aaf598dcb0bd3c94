"""Where the test scripts find the referee engine, Debian's stockfish."""

import os
import shutil


def find_stockfish(explicit):
    """The stockfish to run: the given path if it is executable, else the one
    on PATH, else Debian's /usr/games/stockfish (often not on PATH); None when
    there is none."""
    if explicit:
        return explicit if os.access(explicit, os.X_OK) else None
    found = shutil.which("stockfish")
    if found:
        return found
    if os.access("/usr/games/stockfish", os.X_OK):
        return "/usr/games/stockfish"
    return None
