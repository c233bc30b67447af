// The opening prologue (game mode 12): a picture, a black pause, four text strips faded in one after another, a
// wait for MAIN, and a fade to black into the location select.
#pragma once

void prologue_screen(int pad);
