// Test support: screenshots of the running game as pictures, and how much two of them differ.
#pragma once

#include "support/game_run.h"

#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<float> rgb;  // 0..255 per channel, top row first
};

// A part of a picture, in pixels.
struct Region {
    int x = 0;
    int y = 0;
    int width = 0;  // 0: to the right edge
    int height = 0; // 0: to the bottom edge
};

// Reads a binary PPM (8 or 16 bits a channel, as ImageMagick writes it); empty on failure.
Picture readPpm(const std::string& path);

// Mean over the pixels of the region of the largest channel difference, 0..255; 255 when the sizes differ.
double pictureDifference(const Picture& a, const Picture& b, const Region& region = {});

// Share of the region's pixels, 0..1, whose largest channel difference is over `level` (0..255).
double changedShare(const Picture& a, const Picture& b, const Region& region = {}, double level = 24.0);

// True when the picture is more than one flat colour (a frame has been drawn into it).
bool looksDrawn(const Picture& picture);

// A screenshot of the game's window; empty when it could not be taken.
Picture takePicture(const GameRun& run);

// Waits up to timeoutSeconds for a drawn picture.
Picture waitForDrawnPicture(const GameRun& run, double timeoutSeconds);

// How two pictures are compared while waiting.
enum class Measure { MeanDifference, ChangedShare };

// Waits up to timeoutSeconds until the window differs from `from` by more than `threshold` in `region`,
// then until two shots in a row agree; returns the last shot (the latest one on a timeout).
Picture waitForChange(const GameRun& run, const Picture& from, double threshold, double timeoutSeconds,
                      const Region& region = {}, Measure measure = Measure::MeanDifference);

// Waits up to timeoutSeconds until two shots in a row differ by at most `still`; returns the last shot.
Picture waitForStill(const GameRun& run, double still, double timeoutSeconds);
