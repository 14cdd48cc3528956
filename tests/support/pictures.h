// Test support: pictures read from files or shot from the running game's window, and how they differ.
#pragma once

#include "support/game_run.h"

#include <functional>
#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
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
