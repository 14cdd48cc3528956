// Quiet start-up: the game's routine notes while it opens left out of a tool's output, every other line kept.
#pragma once

#include <string>

// True for a line the game prints on every good start (a model loaded, its lights found and placed).
bool isRoutineStartupLine(const std::string& line);

// From here until endQuietStartup, std::cout leaves out the routine start-up lines and passes every other
// line on as soon as it ends, so an error printed just before a fatal exit is still seen.
void beginQuietStartup();
void endQuietStartup();
