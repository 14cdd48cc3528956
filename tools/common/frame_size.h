// Frame size: the width and height in pixels a tool renders the flight at.
#pragma once

struct FrameSize {
    int width = 1280;
    int height = 720;
};
