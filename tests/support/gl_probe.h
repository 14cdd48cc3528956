// Test support: GL probes the GL suites share: a program's logs and an off-screen colour target to read back.
#pragma once

#include <glm/glm.hpp>

#include <string>
#include <vector>

// The depth a depth buffer stores for a point `distance` straight ahead under `projection`.
inline float depthAt(const glm::mat4& projection, float distance) {
    const glm::vec4 clip = projection * glm::vec4(0.0f, 0.0f, -distance, 1.0f);
    return 0.5f * clip.z / clip.w + 0.5f;
}

// A 2D texture's level-0 width and height.
glm::ivec2 textureSize(unsigned int texture);

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
