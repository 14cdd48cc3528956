// Fatal ending: a "PAUSE" that waits only when a person can answer it.
#include "core/fatal.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

void fatalExit() {
    // Without a terminal nobody can press Enter, so a test or a pipe must not hang here.
    if (isatty(STDIN_FILENO)) {
        std::cout << "Press Enter to continue..." << std::endl;
        std::string line;
        std::getline(std::cin, line);
    }
    // Model files may still be loading on other threads: end at once, without running the static
    // destructors under them. Every message has been flushed.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(-1);
}
