"""Reading a FEN's placement field in the test scripts, independent of the
engine's own FEN reader."""


def fen_board(fen):
    """dict square name -> piece letter (upper case White), and the side to move."""
    placement, side = fen.split()[:2]
    board = {}
    for i, row in enumerate(placement.split("/")):
        rank = 8 - i
        file = 0
        for ch in row:
            if ch.isdigit():
                file += int(ch)
            else:
                board["abcdefgh"[file] + str(rank)] = ch
                file += 1
    return board, side
