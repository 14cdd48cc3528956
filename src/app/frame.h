// Frame driver: the order of the passes of one frame and the frame-rate count.
#pragma once

#include <glm/glm.hpp>

struct Renderer;
struct Registry;

// Frame-rate counter: fps is the frame count of the last closed one-second window.
extern int frameCount;
extern float fps;
extern float fpsWindowStart;

// Counts one frame at timer reading now (taken in double: an f32 reading steps coarsely on long runs);
// windows advance by exactly one second.
void countFrame(double now);

// Right-handed 90-degree perspective, near 0.1, far 500, at the settings' aspect.
glm::mat4 frameProjection();

// Renders one frame with the previous turn's frame time and presents it.
void renderFrame(Renderer& renderer, Registry& registry, float deltaTime);
