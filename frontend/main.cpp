// Process entry of the engine: the whole UCI session runs on standard input
// and output; the process always ends with status 0.
#include "frontend/chess_main.h"

int main() { return velkor_main(); }
