// Test support: screenshots of the running game as pictures, and how much two of them differ.
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

// Reads a binary PPM (8 or 16 bits a channel, as ImageMagick writes it); empty on failure.
Picture readPpm(const std::string& path);

// Share of the pixels, 0..1, whose largest channel difference is over 4 levels; 1 when the sizes differ.
double changedShare(const Picture& a, const Picture& b);

// True when the picture is more than one flat colour (a frame has been drawn into it).
bool looksDrawn(const Picture& picture);

// A screenshot of the game's window; empty when it could not be taken.
Picture takePicture(const GameRun& run);

// Takes shots for up to seconds until two in a row agree to within `still` (no frame was caught half
// presented) and the second one passes `wanted`; returns it, or an empty picture on a timeout.
Picture waitForPicture(const GameRun& run, double seconds, const std::function<bool(const Picture&)>& wanted,
                       double still = 1e-3);
