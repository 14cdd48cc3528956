// Test support: the game's clock stopped at a chosen flight time (libfaketime), so the picture holds still for screenshots.
#pragma once

#include <string>

struct StoppedClock {
    std::string file;  // the clock setting the library re-reads while the game runs
    std::string env;   // environment for startGame; empty when libfaketime is not installed
};

// A clock stopped at 0 s for a game started in dir.
StoppedClock makeStoppedClock(const std::string& dir);

// Moves the stopped clock to `seconds` (whole seconds) after where it started.
void setClockTime(const StoppedClock& clock, int seconds);
