// The UCI transport: lines from standard input, lines to standard output,
// and the transcript "UCI_debug.txt" of both directions; the search reports.
#pragma once

#include <cstdint>

struct tagLINE;

// Reads one line from the descriptor up to the terminator, carriage returns
// dropped. Returns a heap text that the caller releases with free(), or
// nullptr at end of input or on a read error.
char *my_get_next_line(int fd, char terminator);

char *UCI_recv();
void UCI_send(const char *text);
void UCI_LOG(const char *text);
void UCI_CLEAN_LOG();
void UCI_identifier(const char *name, const char *author);
void UCI_ok();
void UCI_readyok();
void UCI_set_opts();
void UCI_debug(const char *text, const uint8_t *cb);

// Promotion flag of UCI_sendmove.
enum PromotionFlag : uint8_t { PROMO_NONE = 0, PROMO_QUEEN = 1, PROMO_KNIGHT = 2, PROMO_ROOK = 3, PROMO_BISHOP = 4 };

void UCI_sendmove(uint8_t from, uint8_t to, uint8_t flag);
void UCI_sendinfos(int depth, int score, const tagLINE &line, int time, uint32_t nodes, int iteration_depth);
