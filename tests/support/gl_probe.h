// Test support: GL probes the GL suites share: a program's logs and an off-screen colour target to read back.
#pragma once

#include <string>
#include <vector>

// The info logs of a linked program and of its attached stages, empty when the driver said nothing.
std::string programLogs(unsigned int program);

// An 8-bit RGB target (and a depth buffer) of the given size, bound with its viewport while it lives.
struct ColourTarget {
    int width = 0, height = 0;
    unsigned int framebuffer = 0, colour = 0, depth = 0;
    ColourTarget(int width, int height);
    ~ColourTarget();
    ColourTarget(const ColourTarget&) = delete;
    ColourTarget& operator=(const ColourTarget&) = delete;
    std::vector<unsigned char> pixels() const;  // RGB, bottom row first
    // Pixels of the block [x0, x1) x [y0, y1) (y from the bottom) whose red is over level.
    int litPixels(int x0, int y0, int x1, int y1, int level = 40) const;
};
