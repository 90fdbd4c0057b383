// SPDX-License-Identifier: MIT
// malvorn: the folder lister's window on Linux.
#include "app/qt/window_program.h"

int main(int argc, char** argv) { return malvorn::app::runWindowProgram(argc, argv); }
