// Test support: the real game binary in a temporary working directory under the test's display, and pictures
// of its window or of files.
#pragma once

#include <functional>
#include <string>
#include <vector>

// A running game; the destructor kills and reaps it if it still runs, whatever path the test took.
struct GameRun {
    // The working directory (the game's output goes to dir/out.txt) and the X window id, empty when no window
    // appeared in time; the process id, 0 once reaped, and its exit status then, -1 when killed.
    std::string dir, window;
    int pid = 0, status = -1;

    // Starts build/hollowmere (or `program`, which must end by exec'ing the game) in dir with extra environment
    // `env`; waits up to windowSeconds for its window.
    GameRun(const std::string& dir, const std::string& env = "", double windowSeconds = 60.0,
            const std::string& program = "");
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

struct Picture {
    int width = 0, height = 0;
    std::vector<float> rgb;  // 0..255 per channel, top row first
};

// Reads a PNG or a binary PPM; empty on failure.
Picture readImage(const std::string& path);

// Share of the pixels, 0..1, whose largest channel difference is over 4 levels; 1 when the sizes differ.
double changedShare(const Picture& a, const Picture& b);

// True when more than a third of a percent of the pixels differ from the first: a frame was drawn.
bool looksDrawn(const Picture& picture);

// Takes shots of the window for up to seconds until two in a row agree to within `still` (no frame was
// caught half presented) and the second passes `wanted`; returns it, or an empty picture on a timeout.
Picture waitForPicture(const GameRun& run, double seconds, const std::function<bool(const Picture&)>& wanted,
                       double still = 1e-3);
