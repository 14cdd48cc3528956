// Off-screen run: the hidden-window game opened at a size, posed, keyed, run for a number of frames and shut down.
#pragma once

#include "app/offscreen.h"
#include "common/frame_size.h"

#include <functional>
#include <vector>

// How the game is opened and what it shows before its first frame.
struct RunSetup {
    FrameSize size;
    float time = 0.0f;        // flight time before the first frame
    std::vector<int> keys;    // GLFW keys, each released once before the first frame, as a press in the game
    bool overlay = false;     // the frame-rate text
    bool keepFrames = false;  // every presented frame read back into game.lastFrame
    int frames = 1;           // frames rendered, unless `opened` says otherwise
};

// What a tool does around the frames; each may be left empty.
struct RunHooks {
    // Once the game is open, before the first frame: how many frames to render.
    std::function<int(OffscreenGame&)> opened;
    // Before frame `index`: may set the flight clocks; returns the frame's time step (0 when empty).
    std::function<float(OffscreenGame&, int index)> before;
    // After frame `index` is presented (and read back with keepFrames); false ends the run there.
    std::function<bool(OffscreenGame&, int index)> after;
};

// Opens the game, renders its frames and shuts it down again; returns how many frames `after` took.
// game.lastFrame still holds the last frame read back.
int runOffscreen(OffscreenGame& game, const RunSetup& setup, const RunHooks& hooks);
