// The executable's entry: the game's whole life is game_main.
#include "game/flow/main_loop.h"

int main() { return game_main(); }
