// Test support: GL probes the GL suites share: a program's logs and an off-screen colour target to read back.
#pragma once

#include <string>
#include <vector>

// The info logs of a linked program and of its attached stages, empty when the driver said nothing.
std::string programLogs(unsigned int program);

// An 8-bit RGB target of the given size, cleared black and bound with its viewport while it lives.
struct ColourTarget {
    int width = 0, height = 0;
    unsigned int framebuffer = 0, colour = 0;
    ColourTarget(int width, int height);
    ~ColourTarget();
    ColourTarget(const ColourTarget&) = delete;
    ColourTarget& operator=(const ColourTarget&) = delete;
    std::vector<unsigned char> pixels() const;  // RGB, bottom row first
};
