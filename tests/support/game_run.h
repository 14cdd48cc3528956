// Test support: the real game binary in a temporary working directory under the test's display.
#pragma once

#include <string>

// A running game; the destructor kills and reaps it if it still runs, whatever path the test took.
struct GameRun {
    std::string dir;     // working directory; the game's output goes to dir/out.txt
    std::string window;  // X window id, empty when no window appeared in time
    int pid = 0;         // 0 once reaped
    int status = -1;     // exit status once reaped; -1 when killed

    // Starts build/hollowmere in dir with extra environment `env`; waits up to windowSeconds for its window.
    GameRun(const std::string& dir, const std::string& env = "", double windowSeconds = 60.0);
    GameRun(const GameRun&) = delete;
    GameRun& operator=(const GameRun&) = delete;
    ~GameRun();
};

// Sends one key (xdotool name: "Escape", "F1", "Return") to the game's window.
void sendKey(const GameRun& run, const std::string& key);
// Waits up to seconds for the game to end; its exit status, or -1 when it had to be killed.
int waitForExit(GameRun& run, double seconds);
// Waits up to seconds until the game has printed `text`; false when it did not.
bool waitForOutput(GameRun& run, const std::string& text, double seconds);
std::string gameOutput(const GameRun& run);
// Environment that preloads libfaketime; empty when it is not installed.
std::string faketimeEnv();
