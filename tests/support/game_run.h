// Test support: the real game binary in a temporary working directory under the test's display.
#pragma once

#include <string>

struct GameRun {
    std::string dir;     // working directory of the run
    std::string window;  // X window id, empty when no window appeared
    int pid = 0;
};

// Starts build/hollowmere in dir (stdout and stderr to dir/out.txt, extra environment in env)
// and waits up to timeoutSeconds for its window.
GameRun startGame(const std::string& dir, double timeoutSeconds = 120.0, const std::string& env = "");

// Sends one key (xdotool key name, e.g. "Escape", "F1", "Return") to the game's window.
void sendKey(const GameRun& run, const std::string& key);

// Waits up to timeoutSeconds for the game to end; returns its exit status, or -1 when it is still running
// (then it is killed).
int waitForExit(GameRun& run, double timeoutSeconds);

// Everything the game printed so far.
std::string gameOutput(const GameRun& run);

// Screenshot of the game's window as a PPM file path (ImageMagick's import); empty on failure.
std::string screenshot(const GameRun& run, const std::string& name);
