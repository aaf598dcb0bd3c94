#!/usr/bin/env python3
"""Refereed games of velkor against stockfish, played as a GUI plays them.

Each game starts a fresh velkor in a private temporary working directory (no
opening book there unless --book gives one, so it searches from its first
move) and drives it through
its standard input and output exactly as a match runner does:

    uci / isready / ucinewgame / isready, then for every move of velkor
    "position startpos [moves ...]", optionally "isready" (waiting for
    "readyok", as cutechess does before every "go"), and
    "go wtime W btime B [movestogo M]"; "quit" at the end.

The opponent is stockfish at Skill Level 0 with a short fixed thinking time,
unless options say otherwise: --opponent-options sets stockfish's options
(e.g. UCI_LimitStrength and UCI_Elo, then no Skill Level is set) and
--opponent-clock lets it play on the game's clock; --opponent velkor plays
another velkor (on the clock, with its own options) instead, and
--velkor-options sets options of the velkor under test. This is how the
strength levels are calibrated: "S+I" controls give an increment, and the
summary gives velkor's score with its Elo difference and a 95 % interval.
A second stockfish is the referee: before every move of either side, the legal
moves are those of its "go perft 1" for the position, and its "d" output gives
the position's key (repetition), its FEN (fifty-move counter, material) and
its checkers (mate or stalemate). Games begin with a few random legal moves
(seeded, reproducible; games 2k and 2k+1 share an opening with colours
swapped) and end by mate, stalemate, threefold repetition, the fifty-move
rule, insufficient material, or a move cap (adjudicated a draw).

Clocks are kept as a GUI keeps them: a side's clock runs from the moment
"go" is written until "bestmove" is read (time.monotonic), and a clock below
zero loses on time. Controls: "M/S" is M moves in S seconds, repeating, with
"movestogo" (the clock is refilled every M moves); "S" is sudden death, S
seconds for the game, no "movestogo"; "S+I" is sudden death with an
increment of I seconds added to the mover's clock after each move, sent as
"winc"/"binc". The random opening moves take no time and do not count
towards a control.

For every move of velkor the harness also computes the thinking budget that
velkor computed, from the same table and from a model of its command loop
(which keeps a computed default moves-to-go figure until the loop restarts),
and records the overrun = elapsed - budget. The table's mirror is checked
against the engine's own function (velkor-tool budget) before any game.

The run fails (exit status 1) on any illegal move (one not in the referee's
list, or "bestmove (none)" while legal moves exist), any searched move of
velkor's without an "info" line with a depth, a score and a line before its
"bestmove" (a book move is announced with "info string book move"), any loss
on time by velkor (with --score-time-losses, as calibrations run, such a
game is lost and counted instead), any crash, hang (no "bestmove" within the side's clock
plus 2 s) or non-zero exit status, printing the game's moves and velkor's
last lines.
The lines velkor reports ("info ... pv" and "bestmove ... ponder") are
checked as a strict match runner checks them, with the referee's keys: a
line that goes on after a move that makes a position occur for the third
time (the game's positions and the line's own), or after the move that
reaches the hundredth half-move without a capture or a pawn move, is a
warning, counted in the summary; it does not fail the run.
Exit status 77 means stockfish was not found (the run is skipped), unless
VELKOR_REQUIRE_STOCKFISH=1 makes that a failure.
"""

import argparse
import collections
import concurrent.futures
import math
import os
import random
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from fen_squares import fen_board  # noqa: E402
from chess960_start import start_fen  # noqa: E402
from stockfish_path import find_stockfish  # noqa: E402

SKIP = 77
HANG_GRACE_S = 2.0
INCREMENT_RESERVE_MS = 100  # frontend/go_limits.h


# --- Processes spoken to line by line ---------------------------------------

class Gone(Exception):
    """The process closed its output (it ended or crashed)."""

    def __init__(self, name, text):
        super().__init__("%s: %s" % (name, text))
        self.name = name


class LineProcess:
    """A child process read line by line with deadlines, keeping the last
    lines exchanged for diagnosis."""

    def __init__(self, name, argv, cwd=None, stderr=subprocess.DEVNULL, history=40):
        self.name = name
        self.proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=stderr, cwd=cwd, bufsize=0)
        self.fd = self.proc.stdout.fileno()
        os.set_blocking(self.fd, False)
        self.buffer = b""
        self.pending = collections.deque()
        self.eof = False
        self.log = collections.deque(maxlen=history)

    def send(self, line):
        self.log.append("> " + line)
        try:
            self.proc.stdin.write((line + "\n").encode())
        except (BrokenPipeError, ValueError) as exc:
            raise Gone(self.name, "input closed (%s)" % exc) from None

    def readline(self, deadline):
        """The next line, or None once monotonic time passes deadline."""
        while not self.pending:
            if self.eof:
                raise Gone(self.name, "output closed")
            wait = deadline - time.monotonic()
            if wait <= 0:
                return None
            ready, _, _ = select.select([self.fd], [], [], wait)
            if not ready:
                continue
            chunk = os.read(self.fd, 65536)
            if not chunk:
                self.eof = True
                if self.buffer:
                    self.pending.append(self.buffer.decode(errors="replace"))
                    self.buffer = b""
                continue
            self.buffer += chunk
            *complete, self.buffer = self.buffer.split(b"\n")
            for raw in complete:
                self.pending.append(raw.decode(errors="replace").rstrip("\r"))
        line = self.pending.popleft()
        self.log.append("< " + line)
        return line

    def read_until(self, done, timeout, what):
        """Lines up to and including the first for which done(line) holds."""
        deadline = time.monotonic() + timeout
        lines = []
        while True:
            line = self.readline(deadline)
            if line is None:
                raise TimeoutError("no %s within %.0f s" % (what, timeout))
            lines.append(line)
            if done(line):
                return lines

    def finish(self, timeout=5.0):
        """Sends "quit" and waits for the exit; returns the exit status, or
        None if the process had to be killed."""
        try:
            self.send("quit")
        except Gone:
            pass
        try:
            self.proc.stdin.close()
        except (BrokenPipeError, OSError):
            pass
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            return None

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


MOVE_RE = re.compile(r"^([a-h][1-8][a-h][1-8][qrbn]?): (\d+)$")
SCORED_RE = re.compile(r"^info depth [1-9]\d* .*score (cp|mate) -?\d+ .* pv [a-h][1-8][a-h][1-8]")


class Referee:
    """Stockfish asked about positions only: legal moves, key, FEN, checkers."""

    def __init__(self, path):
        self.sf = LineProcess("referee", [path])
        self.sf.send("uci")
        self.sf.read_until(lambda l: l == "uciok", 30, "uciok from the referee")
        if START_FEN is not None:
            self.sf.send("setoption name UCI_Chess960 value true")
        self.sf.send("isready")
        self.sf.read_until(lambda l: l == "readyok", 30, "readyok from the referee")

    def examine(self, moves):
        key, fen, checkers = self.board(moves)
        self.sf.send("go perft 1")
        out = self.sf.read_until(lambda l: l.startswith("Nodes searched:"), 30, "referee perft")
        legal = [m.group(1) for m in map(MOVE_RE.match, out) if m]
        if len(legal) != int(out[-1].split(":")[1]):
            raise RuntimeError("referee output not understood: %r" % out)
        return Position(legal, key, fen, checkers)

    def board(self, moves):
        """The referee's key, FEN and checkers of the position after moves."""
        self.sf.send(position_line(moves))
        self.sf.send("d")
        board = self.sf.read_until(lambda l: l.startswith("Checkers:"), 30, "referee board")
        fen = key = None
        for line in board:
            if line.startswith("Fen:"):
                fen = line[4:].strip()
            elif line.startswith("Key:"):
                key = line[4:].strip()
        if fen is None or key is None:
            raise RuntimeError("referee output not understood: %r" % board)
        return key, fen, board[-1][len("Checkers:"):].split()

    def key_and_fen(self, moves):
        """The referee's key and FEN of the position after moves, without
        its legal moves: for the positions of a reported line."""
        key, fen, _ = self.board(moves)
        return key, fen

    def close(self):
        self.sf.finish()


Position = collections.namedtuple("Position", "legal key fen checkers")


class Opponent:
    """The other side: stockfish (by default at Skill Level 0, thinking a
    fixed short time on every move), or another velkor; either with options
    of its own and, with clock=True, playing on the game's clock as velkor
    does ("go wtime ... btime ... [winc ... binc ...] [movestogo ...]")."""

    def __init__(self, argv, movetime_ms, options=(), clock=False, cwd=None, stockfish=True):
        self.movetime_ms = movetime_ms
        self.clock = clock
        self.sf = LineProcess("opponent", argv, cwd=cwd)
        self.sf.send("uci")
        self.sf.read_until(lambda l: l == "uciok", 30, "uciok from the opponent")
        if stockfish and not options:
            self.sf.send("setoption name Skill Level value 0")
        if START_FEN is not None:
            self.sf.send("setoption name UCI_Chess960 value true")
        if stockfish:
            self.sf.send("setoption name Threads value 1")
        for name, value in options:
            self.sf.send("setoption name %s value %s" % (name, value))
        self.sf.send("ucinewgame")
        self.sf.send("isready")
        self.sf.read_until(lambda l: l == "readyok", 30, "readyok from the opponent")

    def play(self, moves, go_args, own_clock_ms):
        """(move, elapsed seconds) for the position after moves."""
        self.sf.send(position_line(moves))
        start = time.monotonic()
        if self.clock:
            self.sf.send("go %s" % go_args)
        else:
            movetime = max(1, min(self.movetime_ms, int(own_clock_ms / 10)))
            self.sf.send("go %s movetime %d" % (go_args, movetime))
        deadline = start + max(own_clock_ms, 0) / 1000.0 + HANG_GRACE_S
        while True:
            line = self.sf.readline(deadline)
            if line is None:
                raise RuntimeError("the opponent gave no bestmove in time")
            if line.startswith("bestmove"):
                return line.split()[1], time.monotonic() - start

    def close(self):
        self.sf.finish()


# The game's first position: None for the standard start, else the FEN of a
# Chess960 start position (--chess960), set by play_game for its game.
START_FEN = None
def parse_options(text):
    """"Name=value,Name=value" -> [(name, value)]; names may hold blanks."""
    pairs = []
    for item in (text or "").split(","):
        if item.strip():
            name, sep, value = item.partition("=")
            if not sep:
                raise ValueError("option %r has no =value" % item)
            pairs.append((name.strip(), value.strip()))
    return pairs


def position_line(moves):
    start = "position startpos" if START_FEN is None else "position fen " + START_FEN
    return start + (" moves " + " ".join(moves) if moves else "")


def chess960_start(cfg, index):
    """The Chess960 start position of game index (games 2k and 2k+1 share
    it), seeded; its FEN in Shredder-FEN or X-FEN in turn. None without
    --chess960."""
    if not cfg.chess960:
        return None
    pair = index // 2
    number = random.Random("960:%d:%d" % (cfg.seed, pair)).randrange(960)
    return start_fen(number, shredder=pair % 2 == 0)


# --- The engine's thinking budget, mirrored ---------------------------------

def tdiv(a, b):
    """Integer division truncating toward zero, as C++ divides."""
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def default_moves_to_go(n):
    n = max(n, 0)
    if n <= 24:
        return 40 - n
    if n <= 39:
        return 60 - n
    if n <= 49:
        return 70 - n
    if n <= 69:
        return 100 - n
    if n <= 99:
        return 120 - n
    if n <= 199:
        return 200 - n
    return 10


def thinking_budget(clock_given, t, m, n):
    """velkor's budget in ms from its clock t, moves to go m (0: none given,
    the default for n half-moves is used) and whether a clock was given."""
    m = default_moves_to_go(n) if m == 0 else m
    m = max(m, 1)
    if t > 30000:
        budget = tdiv(t - 20000, m + 2)
    elif t > 5000:
        budget = tdiv(t - 2000, m + 2)
    else:
        budget = tdiv(1000, m)
    if clock_given and budget > tdiv(t, 2):
        budget = tdiv(t, 2)
    return max(budget, 0)


def c_int(text):
    """A number token as velkor converts it: decimal prefix, clamped to int;
    (value, had digits)."""
    match = re.match(r"\s*([+-]?\d+)", text)
    if not match:
        return 0, False
    return max(-2**31, min(2**31 - 1, int(match.group(1)))), True


class EngineModel:
    """What velkor's command loop holds after each line it is sent: where the
    loop waits, the half-move count, and the clock figures of "go" lines,
    which keep their values (a computed default moves-to-go figure included)
    until the loop restarts. Mirrors the engine's handshake and loop."""

    def __init__(self):
        self.state = "first"  # the first line is taken as "uci", unexamined
        self.ready_answered = False
        self.loop_start()

    def loop_start(self):
        self.half_moves = 0
        self.own_clock = 0
        self.moves_to_go = 0
        self.clock_given = False
        self.increment = 0

    def restart(self):
        self.loop_start()
        self.state = "position"

    def line(self, text):
        """Feeds one line sent to the engine; returns what the engine answers
        with: None, "uciok", "readyok" or ("bestmove", budget in ms)."""
        if self.state == "first":
            self.state = "handshake"
            return "uciok"
        if self.state == "handshake":
            return self._handshake(text)
        if self.state == "position":
            return self._position_wait(text)
        if self.state == "go":
            return self._go_wait(text)
        return None  # ended

    def _handshake(self, text):
        for keyword in ("isready", "ucinewgame", "position", "quit", "go"):
            if text.startswith(keyword):
                break
        else:
            return None  # skipped unanswered
        if keyword == "isready":
            self.ready_answered = True
            return "readyok"
        if keyword == "quit":
            self.state = "ended"
            return None
        if keyword == "ucinewgame":
            self.restart()
            return None
        if keyword == "position":  # handed to the loop, in the position wait
            self.restart()
            return self._position_wait(text)
        if not self.ready_answered:  # "go" before any "readyok" is dropped
            return None
        self.loop_start()
        self.state = "go"
        return self._go_wait(text)

    def _position_wait(self, text):
        if text.startswith("quit"):
            self.state = "ended"
            return None
        if text.startswith("isready"):
            self.restart()
            return "readyok"
        if text.startswith(("position startpos", "position fen")):
            self._replay(text)
            self.state = "go"
            return None
        self.restart()
        return None

    def _go_wait(self, text):
        if text.startswith("quit"):
            self.state = "ended"
            return None
        if text.startswith("isready"):
            return "readyok"
        if text.startswith(("position startpos", "position fen")):
            self._replay(text)
            return None
        if text.startswith("position") or text.startswith("ucinewgame"):
            self.restart()
            return None
        self.increment = 0
        if text.startswith("go"):
            self._read_go(text)
        if self.moves_to_go == 0:
            self.moves_to_go = default_moves_to_go(self.half_moves)
        budget = thinking_budget(self.clock_given, self.own_clock, self.moves_to_go, self.half_moves)
        if self.increment > 0:
            # Three quarters of the increment, never more than half the clock
            # less the reserve (a quarter of the increment below it), nor
            # than half the clock.
            budget += self.increment * 3 // 4
            if self.clock_given:
                clock = max(self.own_clock, 0)
                budget = min(budget, max(tdiv(clock - INCREMENT_RESERVE_MS, 2), self.increment // 4), clock // 2)
        self.state = "position"
        return ("bestmove", budget)

    def _replay(self, text):
        at = text.find("moves ")
        self.half_moves = len(text[at + 6:].split()) if at >= 0 else 0

    def _read_go(self, text):
        white = self.half_moves % 2 == 0
        self.increment = 0
        i = 0
        while i < len(text):
            rest = text[i:]
            if (rest.startswith("wtime ") and white) or (rest.startswith("btime ") and not white):
                token = re.match(r"[^ \t]*", rest[6:]).group(0)
                if len(token) <= 15:
                    self.own_clock, digits = c_int(token)
                    self.clock_given = self.clock_given or digits
                i += 6 + len(token)
            elif rest.startswith("movestogo "):
                token = re.match(r"[^ \t]*", rest[10:]).group(0)
                if len(token) <= 15:
                    self.moves_to_go, _ = c_int(token)
                i += 10 + len(token)
            else:
                i += 1
        # The increment of the side to move: a whole word and a plain number
        # after it.
        words = text.split()
        for k, word in enumerate(words[1:-1], 1):
            if word == ("winc" if white else "binc") and words[k + 1].isdigit():
                self.increment = min(int(words[k + 1]), 2**31 - 1)


def check_budget_mirror(tool):
    """Compares thinking_budget above with the engine's own function over a
    grid of figures; returns a list of disagreements."""
    cases = []
    for given in (0, 1):
        for t in (0, 1, 99, 1000, 4999, 5000, 5001, 8000, 20000, 29999, 30000, 30001, 60000, 300000, -500):
            for m in (0, 1, 2, 5, 17, 40, -1, -2, -3):
                for n in (0, 3, 24, 25, 50, 120, 199, 200, 260):
                    cases.append((given, t, m, n))
    args = [str(x) for case in cases for x in case]
    out = subprocess.run([tool, "budget"] + args, capture_output=True, text=True)
    if out.returncode != 0:
        return ["velkor-tool budget failed (%d): %s" % (out.returncode, out.stderr.strip())]
    got = out.stdout.split()
    if len(got) != len(cases):
        return ["velkor-tool budget printed %d figures for %d cases" % (len(got), len(cases))]
    wrong = []
    for case, figure in zip(cases, got):
        mine = thinking_budget(bool(case[0]), case[1], case[2], case[3])
        if int(figure) != mine:
            wrong.append("budget%r: engine %s, harness %d" % (case, figure, mine))
    return wrong


# --- Games -------------------------------------------------------------------

class Control:
    """"M/S": M moves in S seconds, repeating, with movestogo; "S": sudden
    death, S seconds for the game; "S+I": sudden death with an increment of
    I seconds after every timed move (sent as winc/binc)."""

    def __init__(self, text):
        self.name = text
        self.inc_ms = 0.0
        if "/" in text:
            moves, seconds = text.split("/")
            self.moves = int(moves)
        else:
            self.moves, seconds = 0, text
            if "+" in seconds:
                seconds, increment = seconds.split("+")
                self.inc_ms = float(increment) * 1000.0
        self.base_ms = float(seconds) * 1000.0
        if self.base_ms <= 0 or self.moves < 0 or self.inc_ms < 0:
            raise ValueError("bad time control %r" % text)


def insufficient_material(fen):
    """No pawn, rook or queen, and at most one minor piece, or bishops only,
    all on squares of one colour."""
    pieces = [(ch.lower(), ("abcdefgh".index(square[0]) + int(square[1])) % 2)
              for square, ch in fen_board(fen)[0].items()]
    kinds = [p for p, _ in pieces if p != "k"]
    if any(p in "prq" for p in kinds):
        return False
    if len(kinds) <= 1:
        return True
    if "n" in kinds:
        return False
    return len({colour for p, colour in pieces if p == "b"}) == 1


def is_castling(fen, move):
    """Whether move castles in the position of fen: the king's two-column
    step of a standard game (e1g1), or the king onto its own rook."""
    board = fen_board(fen)[0]
    mover, target = board.get(move[:2], ""), board.get(move[2:4], "")
    if mover.lower() != "k":
        return False
    if target.lower() == "r" and target.isupper() == mover.isupper():
        return True
    return move[1] == move[3] and abs(ord(move[0]) - ord(move[2])) == 2


def resets_fifty(fen, move):
    """Whether move, in the position of fen, is a pawn move or a capture (a
    Chess960 castling, the king onto its own rook, is neither)."""
    board = fen_board(fen)[0]
    mover, target = board.get(move[:2], ""), board.get(move[2:4])
    if target is not None and target.isupper() == mover.isupper():
        return False
    return mover.lower() == "p" or target is not None


# What a reported line can do wrong, as a strict match runner words it.
PV_THREEFOLD = "PV continues after threefold repetition"
PV_FIFTY = "PV continues after the fifty-move rule"
PV_ILLEGAL = "PV move not legal"


def pv_warning(referee, moves, fen, seen, fifty, line, cache):
    """The warning a reported line earns from the game after moves (its
    position's FEN fen, seen the game's positions counted by key, fifty its
    half-moves without a capture or a pawn move), or None: the line may end
    at the move that makes a position occur for the third time or that
    reaches the hundredth half-move, and must not go on. cache holds the
    referee's (key, FEN) of lines from this position, by moves."""
    own = collections.Counter()
    clock = fifty
    before_fen = fen
    for i, move in enumerate(line):
        prefix = tuple(line[:i + 1])
        if prefix not in cache:
            cache[prefix] = referee.key_and_fen(moves + list(prefix))
        key, after_fen = cache[prefix]
        # The referee ignores a move it cannot play: the side to move, and
        # with it the FEN, stay as they were.
        if after_fen.split()[1] == before_fen.split()[1]:
            return PV_ILLEGAL
        clock = 0 if resets_fifty(before_fen, move) else clock + 1
        own[key] += 1
        ended = None
        if seen[key] + own[key] >= 3:
            ended = PV_THREEFOLD
        elif clock >= 100:
            ended = PV_FIFTY
        if ended and i + 1 < len(line):
            return ended
        before_fen = after_fen
    return None


def check_pv_lines(referee, moves, position, seen, fifty, lines, record):
    """Checks each line velkor reported for the position after moves and
    counts the warnings in record["pv_warnings"]; keeps the first example
    of each in record["pv_examples"]."""
    cache = {}
    for text, line in lines:
        record["pv_lines"] += 1
        warning = pv_warning(referee, moves, position.fen, seen, fifty, line, cache)
        if warning:
            record["pv_warnings"][warning] += 1
            record["pv_examples"].setdefault(warning, (position_line(moves), text))


class Failure(Exception):
    pass


def percentile(values, fraction):
    """Nearest-rank percentile of a non-empty list."""
    ordered = sorted(values)
    rank = min(max(1, math.ceil(fraction * len(ordered))), len(ordered))
    return ordered[rank - 1]


def game_plan(index, cfg):
    control = cfg.controls[(index // 2) % len(cfg.controls)]
    engine_white = index % 2 == 0
    if cfg.ping == "mixed":
        ping = (index // 4) % 2 == 0
    else:
        ping = cfg.ping == "always"
    return control, engine_white, ping


def play_game(index, cfg):
    """Plays game number index; returns a dict describing it."""
    control, engine_white, ping = game_plan(index, cfg)
    engine_side = 0 if engine_white else 1
    opening_rng = random.Random("%d:%d" % (cfg.seed, index // 2))
    opening_plies = opening_rng.randint(cfg.opening_min, cfg.opening_max)
    global START_FEN
    START_FEN = chess960_start(cfg, index)
    record = dict(index=index, control=control.name, engine_white=engine_white, ping=ping,
                  moves=[], engine_moves=[], failure=None, result=None, reason=None, start=START_FEN,
                  castles=collections.Counter(), pv_warnings=collections.Counter(), pv_examples={},
                  pv_lines=0)
    workdir = tempfile.mkdtemp(prefix="velkor-game-")
    if cfg.book:
        shutil.copyfile(cfg.book, os.path.join(workdir, "book.txt"))
    stderr_path = os.path.join(workdir, "stderr.txt")
    referee = opponent = engine = None
    keep_dir = False
    try:
        referee = Referee(cfg.stockfish)
        if cfg.opponent == "velkor":
            os.mkdir(os.path.join(workdir, "opponent"))
            opponent = Opponent([cfg.opponent_velkor], cfg.sf_movetime, cfg.opponent_options, True,
                                cwd=os.path.join(workdir, "opponent"), stockfish=False)
        else:
            opponent = Opponent([cfg.stockfish], cfg.sf_movetime, cfg.opponent_options, cfg.opponent_clock)
        with open(stderr_path, "wb") as stderr_file:
            engine = LineProcess("velkor", [cfg.velkor], cwd=workdir, stderr=stderr_file)
        model = EngineModel()

        def tell(line):
            """Sends a line to velkor and returns the model's expectation."""
            engine.send(line)
            return model.line(line)

        def expect(what, timeout):
            """Reads up to the line what; before "uciok" only "id" and
            "option" lines may come, before "readyok" nothing."""
            def done(line):
                if line == what:
                    return True
                if what == "uciok" and line.startswith(("id ", "option ")):
                    return False
                raise Failure('unexpected line "%s" while waiting for "%s"' % (line, what))
            try:
                engine.read_until(done, timeout, '"%s"' % what)
            except TimeoutError as exc:
                raise Failure("hang: %s" % exc) from None

        for line, answer in (("uci", "uciok"), ("isready", "readyok")):
            if tell(line) != answer:
                raise Failure("harness model out of step at %r" % line)
            expect(answer, 30)
            if line == "uci":
                for name, value in cfg.velkor_options:
                    engine.send("setoption name %s value %s" % (name, value))
        if START_FEN is not None:
            tell("setoption name UCI_Chess960 value true")
        tell("ucinewgame")
        if tell("isready") != "readyok":
            raise Failure("harness model out of step at isready")
        expect("readyok", 30)

        moves = record["moves"]
        clocks = [control.base_ms, control.base_ms]
        timed_moves = [0, 0]
        fifty = 0
        position = referee.examine(moves)
        seen = collections.Counter([position.key])
        while True:
            side = len(moves) % 2
            if not position.legal:
                if position.checkers:
                    record["result"], record["reason"] = ("0-1" if side == 0 else "1-0"), "mate"
                else:
                    record["result"], record["reason"] = "1/2", "stalemate"
            elif seen[position.key] >= 3:
                record["result"], record["reason"] = "1/2", "threefold"
            elif fifty >= 100:
                record["result"], record["reason"] = "1/2", "fifty"
            elif insufficient_material(position.fen):
                record["result"], record["reason"] = "1/2", "material"
            elif len(moves) >= cfg.cap:
                record["result"], record["reason"] = "1/2", "cap"
            if record["result"]:
                break

            if len(moves) < opening_plies:
                move = opening_rng.choice(sorted(position.legal))
            else:
                movestogo = 0
                if control.moves:
                    movestogo = control.moves - timed_moves[side] % control.moves
                go_args = "wtime %d btime %d" % (max(0, int(clocks[0])), max(0, int(clocks[1])))
                if control.inc_ms:
                    go_args += " winc %d binc %d" % (int(control.inc_ms), int(control.inc_ms))
                if movestogo:
                    go_args += " movestogo %d" % movestogo
                if side == engine_side:
                    move, elapsed, lines = engine_move(engine, tell, expect, moves, go_args, ping,
                                                       clocks[side], record)
                    check_pv_lines(referee, moves, position, seen, fifty, lines, record)
                else:
                    move, elapsed = opponent.play(moves, go_args, clocks[side])
                clocks[side] -= elapsed * 1000.0
                if clocks[side] < 0:
                    if side == engine_side and not cfg.score_time_losses:
                        raise Failure("loss on time: %.1f ms over the clock with %s"
                                      % (-clocks[side], move))
                    record["result"] = "0-1" if side == 0 else "1-0"
                    record["reason"] = "velkor time" if side == engine_side else "opponent time"
                    break
                timed_moves[side] += 1
                clocks[side] += control.inc_ms
                if control.moves and timed_moves[side] % control.moves == 0:
                    clocks[side] += control.base_ms
                if move not in position.legal:
                    who = "velkor" if side == engine_side else "the opponent (%s)" % cfg.opponent
                    raise Failure("illegal move by %s: %s (legal: %s)"
                                  % (who, move, " ".join(sorted(position.legal))))
            if is_castling(position.fen, move):
                record["castles"]["velkor" if side == engine_side else "stockfish"] += 1
            fifty = 0 if resets_fifty(position.fen, move) else fifty + 1
            moves.append(move)
            position = referee.examine(moves)
            if int(position.fen.split()[4]) != fifty:
                raise Failure("harness fifty-move count %d, referee %s" % (fifty, position.fen))
            seen[position.key] += 1

        status = engine.finish()
        if status != 0:
            raise Failure("velkor exit status %s after quit" % status)
    except Gone as exc:
        if exc.name != "velkor":
            record["failure"] = "harness error: stockfish (%s) ended" % exc
        else:
            try:
                status = engine.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                status = "none (still running)"
            record["failure"] = "crash: %s, exit status %s" % (exc, status)
    except Failure as exc:
        record["failure"] = str(exc)
    except Exception as exc:  # the harness or stockfish broke: not velkor's fault, still fatal
        record["failure"] = "harness error: %s: %s" % (type(exc).__name__, exc)
    finally:
        if record["failure"]:
            keep_dir = not cfg.no_keep
            record["engine_log"] = list(engine.log) if engine is not None else []
            try:
                with open(stderr_path, "rb") as f:
                    record["engine_stderr"] = f.read()[-2000:].decode(errors="replace")
            except OSError:
                record["engine_stderr"] = ""
        for proc in (engine,):
            if proc is not None:
                proc.kill()
        for peer in (referee, opponent):
            if peer is not None:
                try:
                    peer.close()
                except Exception:
                    peer.sf.kill()
        if keep_dir:
            record["workdir"] = workdir
        else:
            shutil.rmtree(workdir, ignore_errors=True)
    return record


def engine_move(engine, tell, expect, moves, go_args, ping, own_clock_ms, record):
    """Asks velkor for a move as a GUI does; returns (move, elapsed seconds,
    the lines it reported: (text, moves) of each "info ... pv" line and of
    "bestmove ... ponder") and appends the move's timing to
    record["engine_moves"]."""
    if tell(position_line(moves)) is not None:
        raise Failure("harness model out of step at the position line")
    if ping:
        if tell("isready") != "readyok":
            raise Failure("harness model out of step at isready")
        expect("readyok", 15)
    start = time.monotonic()
    answer = tell("go " + go_args)
    if not isinstance(answer, tuple):
        raise Failure("harness model expects no bestmove for this go")
    budget = answer[1]
    deadline = start + max(own_clock_ms, 0) / 1000.0 + HANG_GRACE_S
    depth, mate, scored, book = 0, False, False, False
    lines = []
    while True:
        line = engine.readline(deadline)
        if line is None:
            raise Failure("hang: no bestmove within the clock (%.0f ms) + %.0f s"
                          % (own_clock_ms, HANG_GRACE_S))
        if line.startswith("bestmove"):
            elapsed = time.monotonic() - start
            break
        if line.startswith("info depth "):
            words = line.split()
            depth, mate = int(words[2]), "mate" in words
            scored = scored or bool(SCORED_RE.match(line))
            if " pv " in line:
                lines.append((line, line.split(" pv ", 1)[1].split()))
        elif line.startswith("info string book move "):
            book = True
        elif not line.startswith("info"):
            raise Failure('unexpected line "%s" while waiting for "bestmove"' % line)
    words = line.split()
    move = words[1] if len(words) > 1 else ""
    if move == "(none)":
        raise Failure("bestmove (none) while legal moves exist")
    if not scored and not book:
        raise Failure("no info line with a depth, a score and a pv before %s" % line)
    if len(words) >= 4 and words[2] == "ponder":
        lines.append((line, [words[1], words[3]]))
    record["engine_moves"].append(dict(budget=budget, elapsed_ms=elapsed * 1000.0, clock=own_clock_ms,
                                       half_moves=len(moves), depth=depth, mate=mate))
    return move, elapsed, lines


# --- The run -----------------------------------------------------------------

def print_failure(record):
    print("\nFAILED game %d (%s, velkor %s): %s" % (
        record["index"], record["control"], "white" if record["engine_white"] else "black",
        record["failure"]))
    global START_FEN
    START_FEN = record.get("start")
    print("  moves: %s" % position_line(record["moves"]))
    print("  velkor's last lines:")
    for line in record.get("engine_log", []):
        print("    " + line)
    if record.get("engine_stderr"):
        print("  velkor's standard error:\n    " + record["engine_stderr"].replace("\n", "\n    "))
    if record.get("workdir"):
        print("  working directory kept: %s" % record["workdir"])


def engine_score(record):
    """'W', 'D' or 'L' from velkor's side."""
    if record["result"] == "1/2":
        return "D"
    white_won = record["result"] == "1-0"
    return "W" if white_won == record["engine_white"] else "L"


def elo_of_score(p):
    return -400.0 * math.log10(1.0 / p - 1.0)


def elo_estimate(w, d, l):
    """(score %, games, Elo difference, low, high, half-width) of velkor
    against its opponent from its wins, draws and losses: the logistic
    rating of the score, and a 95 % interval from the spread of the game
    scores (normal approximation). None without games; a score of 0 or 1
    is clipped half a game inside, so the figures stay finite."""
    n = w + d + l
    if n == 0:
        return None
    p = (w + 0.5 * d) / n
    variance = (w * (1 - p) ** 2 + d * (0.5 - p) ** 2 + l * p ** 2) / n
    se = math.sqrt(variance / n)
    clip = 0.5 / n
    clipped = lambda x: min(max(x, clip), 1 - clip)  # noqa: E731
    elo = elo_of_score(clipped(p))
    low, high = elo_of_score(clipped(p - 1.96 * se)), elo_of_score(clipped(p + 1.96 * se))
    return (100.0 * p, n, elo, low, high, (high - low) / 2)


def summarise(records, cfg):
    print("\nResults (velkor's view)")
    print("  %-8s %-6s %4s %4s %4s" % ("control", "colour", "W", "D", "L"))
    totals = collections.Counter()
    for control in cfg.controls:
        for white in (True, False):
            scores = collections.Counter(engine_score(r) for r in records
                                         if r["control"] == control.name and r["engine_white"] == white
                                         and r["result"])
            totals.update(scores)
            print("  %-8s %-6s %4d %4d %4d" % (control.name, "white" if white else "black",
                                             scores["W"], scores["D"], scores["L"]))
    print("  %-8s %-6s %4d %4d %4d" % ("all", "", totals["W"], totals["D"], totals["L"]))
    rating = elo_estimate(totals["W"], totals["D"], totals["L"])
    if rating:
        print("  score %.1f %% of %d games: %+.0f Elo (95 %% interval %+.0f .. %+.0f, about +-%.0f)"
              % rating)
        if cfg.opponent_rating is not None:
            print("  rating %.0f +- %.0f (the opponent's %d %+.0f)"
                  % (cfg.opponent_rating + rating[2], rating[5], cfg.opponent_rating, rating[2]))
    reasons = collections.Counter(r["reason"] for r in records if r["reason"])
    print("  ends: " + ", ".join("%s %d" % kv for kv in sorted(reasons.items())))
    # A calibration is only worth its figures when neither side lost many
    # games to the clock rather than to the other side's play.
    played = len(records)
    for who, reason in (("velkor", "velkor time"), ("opponent", "opponent time")):
        lost = reasons[reason] + (sum(1 for r in records if (r["failure"] or "").startswith("loss on time"))
                                  if who == "velkor" else 0)
        print("  losses on time, %s: %d of %d games (%.1f %%)"
              % (who, lost, played, 100.0 * lost / played if played else 0.0))
    castles = collections.Counter()
    for r in records:
        castles.update(r.get("castles", {}))
    print("  castling moves: velkor %d, stockfish %d" % (castles["velkor"], castles["stockfish"]))
    warnings = collections.Counter()
    examples = {}
    for r in records:
        warnings.update(r.get("pv_warnings", {}))
        for kind, example in r.get("pv_examples", {}).items():
            examples.setdefault(kind, (r["index"],) + example)
    print("  reported lines checked %d; warnings: %s %d, %s %d, %s %d" % (
        sum(r.get("pv_lines", 0) for r in records), PV_THREEFOLD, warnings[PV_THREEFOLD],
        PV_FIFTY, warnings[PV_FIFTY], PV_ILLEGAL, warnings[PV_ILLEGAL]))
    for kind, (index, position, text) in sorted(examples.items()):
        print("  first %s: game %d\n    %s\n    %s" % (kind, index, position, text))

    print("\nTime per velkor move (ms; overrun = elapsed - budget; limit 100 + 10% of budget)")
    print("  %-8s %5s %8s %8s %8s %8s %8s %6s %6s %9s %6s" % (
        "control", "moves", "budget50", "elapsed50", "over50", "over99", "overmax", "> lim",
        "early", "min clock", "depth"))
    for control in cfg.controls:
        timed = [m for r in records if r["control"] == control.name for m in r["engine_moves"]]
        if not timed:
            continue
        overruns = [m["elapsed_ms"] - m["budget"] for m in timed]
        beyond = sum(1 for m in timed if m["elapsed_ms"] - m["budget"] > 100 + 0.1 * m["budget"])
        # At full strength the engine stops before its budget only on a mate
        # it has proved, or with a book move; any other early move means the
        # model is wrong. A strength level stops once its work is done.
        # A book move comes without any "info" line (depth 0).
        early = sum(1 for m in timed if m["elapsed_ms"] < m["budget"] - 5 and not m["mate"] and m["depth"])
        print("  %-8s %5d %8d %8.1f %8.1f %8.1f %8.1f %6d %6d %9.0f %6.1f" % (
            control.name, len(timed), percentile([m["budget"] for m in timed], 0.5),
            percentile([m["elapsed_ms"] for m in timed], 0.5), percentile(overruns, 0.5),
            percentile(overruns, 0.99), max(overruns), beyond, early, min(m["clock"] for m in timed),
            sum(m["depth"] for m in timed) / len(timed)))
        # The moves the clock ended rather than the work: at full strength
        # nearly all, at a strength level only those its work did not fit.
        whole = sum(1 for m in timed if m["elapsed_ms"] >= m["budget"])
        print("  %-8s moves that used their whole budget: %d (%.1f %%)" % (
            "", whole, 100.0 * whole / len(timed)))
        worst = max(timed, key=lambda m: m["elapsed_ms"] - m["budget"])
        print("  %-8s worst: budget %d ms, elapsed %.1f ms, clock %.0f ms, half-move %d, depth %d" % (
            "", worst["budget"], worst["elapsed_ms"], worst["clock"], worst["half_moves"], worst["depth"]))

    failures = [r for r in records if r["failure"]]
    kinds = collections.Counter()
    for r in failures:
        text = r["failure"]
        kinds["illegal" if text.startswith(("illegal", "bestmove (none)")) else
              "time" if text.startswith("loss on time") else
              "crash" if text.startswith("crash") else
              "hang" if text.startswith("hang") else
              "exit" if text.startswith("velkor exit") else "other"] += 1
    print("\ngames %d, illegal moves %d, losses on time %d, crashes %d, hangs %d, bad exits %d, other %d" % (
        len(records), kinds["illegal"], kinds["time"], kinds["crash"], kinds["hang"], kinds["exit"],
        kinds["other"]))
    return failures


def parse_args(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    build = os.path.join(here, "..", "..", "build")
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--velkor", default=os.path.join(build, "velkor"), help="the engine to test")
    p.add_argument("--tool", help="velkor-tool, for checking the budget mirror "
                                  "(default: beside the engine)")
    p.add_argument("--stockfish", help="stockfish (default: PATH, then /usr/games/stockfish)")
    p.add_argument("--games", type=int, default=20, help="number of games (default 20)")
    p.add_argument("--seed", type=int, default=1, help="seed of the random openings (default 1)")
    p.add_argument("--controls", default="40/20,8",
                   help='comma-separated: "M/S" M moves in S s, repeating; "S" S s sudden death; '
                        '"S+I" sudden death with I s added after each move (default 40/20,8)')
    p.add_argument("--cap", type=int, default=120, help="plies before a draw is adjudicated (default 120)")
    p.add_argument("--opening", default="2-6", help="random opening plies, min-max (default 2-6)")
    p.add_argument("--sf-movetime", type=int, default=50, help="stockfish's ms per move (default 50)")
    p.add_argument("--ping", choices=("mixed", "always", "never"), default="mixed",
                   help='"isready" before every "go": in alternate blocks of four games (mixed), '
                        "always or never")
    p.add_argument("--parallel", type=int, default=1,
                   help="games at once (default 1: timing is only honest on a quiet machine)")
    p.add_argument("--only", type=int, action="append",
                   help="play only this game number (repeatable), to reproduce one")
    p.add_argument("--book", help="an opening book, copied into each game's working directory "
                                  "(default: none, the engine searches from its first move)")
    p.add_argument("--chess960", action="store_true",
                   help="Chess960 games: UCI_Chess960 on for every engine, each pair of games from a "
                        "random start position (of the 960, seeded), given as \"position fen\"")
    p.add_argument("--velkor-options", default="",
                   help='options set in velkor after "uci": "Name=value,Name=value"')
    p.add_argument("--opponent", choices=("stockfish", "velkor"), default="stockfish",
                   help="the other side: stockfish (default) or another velkor, which plays on the clock")
    p.add_argument("--opponent-velkor", help="the velkor that plays the other side (default: --velkor)")
    p.add_argument("--opponent-options", default="",
                   help='options of the other side, "Name=value,...": for stockfish e.g. '
                        '"UCI_LimitStrength=true,UCI_Elo=1350" (then no Skill Level is set)')
    p.add_argument("--opponent-clock", action="store_true",
                   help="stockfish plays on the game's clock instead of --sf-movetime a move")
    p.add_argument("--score-time-losses", action="store_true",
                   help="a loss on time by velkor loses the game instead of failing the run (for "
                        "calibrations, which count it as a game lost)")
    p.add_argument("--opponent-rating", type=int,
                   help="the opponent's rating (stockfish's UCI_Elo, or the level's): the summary then "
                        "gives velkor's rating from its score")
    p.add_argument("--record", help="append each game (number, colours, result, moves) to this file")
    p.add_argument("--no-keep", action="store_true",
                   help="remove a failed game's working directory too (kept by default)")
    cfg = p.parse_args(argv)
    cfg.velkor = os.path.abspath(cfg.velkor)
    cfg.opponent_velkor = os.path.abspath(cfg.opponent_velkor or cfg.velkor)
    try:
        cfg.velkor_options = parse_options(cfg.velkor_options)
        cfg.opponent_options = parse_options(cfg.opponent_options)
    except ValueError as exc:
        p.error(str(exc))
    if cfg.book and not os.path.isfile(cfg.book):
        p.error("no book at %s" % cfg.book)
    cfg.controls = [Control(c.strip()) for c in cfg.controls.split(",") if c.strip()]
    lo, _, hi = cfg.opening.partition("-")
    cfg.opening_min, cfg.opening_max = int(lo), int(hi or lo)
    if not cfg.controls or cfg.games < 1 or cfg.parallel < 1 or cfg.opening_min > cfg.opening_max:
        p.error("bad options")
    if cfg.tool is None:
        cfg.tool = os.path.join(os.path.dirname(cfg.velkor), "velkor-tool")
    return cfg


def main(argv):
    cfg = parse_args(argv)
    stockfish = find_stockfish(cfg.stockfish)
    if stockfish is None:
        if os.environ.get("VELKOR_REQUIRE_STOCKFISH") == "1":
            print("stockfish not found, and VELKOR_REQUIRE_STOCKFISH=1")
            return 1
        print("SKIPPED: stockfish not found (install the Debian package stockfish)")
        return SKIP
    cfg.stockfish = stockfish
    if not os.access(cfg.velkor, os.X_OK):
        print("velkor not found at %s" % cfg.velkor)
        return 1
    wrong = check_budget_mirror(cfg.tool)
    if wrong:
        print("the harness's budget table disagrees with the engine's:")
        for w in wrong[:20]:
            print("  " + w)
        return 1

    indices = cfg.only if cfg.only else list(range(cfg.games))
    if cfg.opponent == "velkor":
        against = "%s %s" % (cfg.opponent_velkor, cfg.opponent_options)
    elif cfg.opponent_options:
        against = "%s %s%s" % (stockfish, cfg.opponent_options,
                               ", on the clock" if cfg.opponent_clock else ", %d ms a move" % cfg.sf_movetime)
    else:
        against = "%s (Skill Level 0, %s)" % (stockfish, "on the clock" if cfg.opponent_clock
                                                else "%d ms a move" % cfg.sf_movetime)
    print("velkor %s %s against %s; %d games, seed %d, controls %s, cap %d plies%s"
          % (cfg.velkor, cfg.velkor_options, against, len(indices), cfg.seed,
             ", ".join(c.name for c in cfg.controls), cfg.cap, ", Chess960" if cfg.chess960 else ""))
    started = time.monotonic()
    records = []

    def report(record):
        records.append(record)
        timed = record["engine_moves"]
        worst = max((m["elapsed_ms"] - m["budget"] for m in timed), default=0.0)
        print("game %3d  %-6s velkor %-5s %-4s %-13s %3d plies  worst overrun %7.1f ms%s" % (
            record["index"], record["control"], "white" if record["engine_white"] else "black",
            record["result"] or "-", record["reason"] or "", len(record["moves"]), worst,
            "  FAILED" if record["failure"] else ""), flush=True)
        if cfg.record:
            with open(cfg.record, "a") as f:
                f.write("game %d velkor %s %s %s: %s\n" % (
                    record["index"], "white" if record["engine_white"] else "black",
                    record["result"] or "-", record["reason"] or record["failure"] or "",
                    " ".join(record["moves"])))

    if cfg.parallel == 1:
        for index in indices:
            report(play_game(index, cfg))
    else:
        with concurrent.futures.ProcessPoolExecutor(max_workers=cfg.parallel) as pool:
            for record in pool.map(play_game, indices, [cfg] * len(indices)):
                report(record)

    records.sort(key=lambda r: r["index"])
    failures = summarise(records, cfg)
    for record in failures:
        print_failure(record)
    print("\nwall time %.0f s; load average %s" % (time.monotonic() - started,
                                                   " ".join("%.2f" % x for x in os.getloadavg())))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
