// Capture progress: the share of the frames done and the time left, redrawn on one line in a terminal.
#pragma once

#include <chrono>

struct Progress {
    int count = 0;          // frames in all
    bool terminal = false;  // one line redrawn in place; otherwise a plain line each tenth of the way
    std::chrono::steady_clock::time_point start;
    int tenthsShown = 0;
    bool lineOpen = false;  // a terminal line is drawn and not yet ended
};

// Starts timing just before the first frame; terminal when stdout is one.
Progress startProgress(int count);

// After `done` frames (1 to count), the last at flight time flightTime.
void showProgress(Progress& progress, int done, double flightTime);

// Ends a half-drawn terminal line, so that a message can follow on its own.
void endProgressLine(Progress& progress);
