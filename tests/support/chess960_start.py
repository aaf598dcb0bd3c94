"""The 960 start positions of Chess960, by their usual numbers 0 to 959
(518 is the standard arrangement), as FEN."""

KNIGHT_PAIRS = [(0, 1), (0, 2), (0, 3), (0, 4), (1, 2), (1, 3), (1, 4), (2, 3), (2, 4), (3, 4)]


def back_rank(number):
    """White's first rank of start position `number`, a-file first ("RNBQKBNR" for 518)."""
    if not 0 <= number < 960:
        raise ValueError("no Chess960 start position %d" % number)
    rank = [None] * 8
    number, light = divmod(number, 4)
    rank[2 * light + 1] = "B"
    number, dark = divmod(number, 4)
    rank[2 * dark] = "B"
    number, queen = divmod(number, 6)
    empty = [i for i in range(8) if rank[i] is None]
    rank[empty[queen]] = "Q"
    empty = [i for i in range(8) if rank[i] is None]
    for i in KNIGHT_PAIRS[number]:
        rank[empty[i]] = "N"
    empty = [i for i in range(8) if rank[i] is None]
    for i, piece in zip(empty, "RKR"):
        rank[i] = piece
    return "".join(rank)


def start_fen(number, shredder=True):
    """FEN of start position `number`; the castling field in Shredder-FEN
    (rook files, "HAha") or in X-FEN ("KQkq": at the start each castling
    rook is the outermost on its side)."""
    rank = back_rank(number)
    if shredder:
        files = [chr(ord("A") + i) for i, p in enumerate(rank) if p == "R"]
        castling = files[1] + files[0] + files[1].lower() + files[0].lower()
    else:
        castling = "KQkq"
    return "%s/pppppppp/8/8/8/8/PPPPPPPP/%s w %s - 0 1" % (rank.lower(), rank, castling)
