// Frame recipe: the steps of one frame in order, and the projection they share.
#pragma once

#include <glm/glm.hpp>

struct Renderer;
struct Registry;

// The frame's projection planes; the composite's depth-aware upsampling reads depth with the same two.
inline constexpr float PROJECTION_NEAR = 0.1f;
inline constexpr float PROJECTION_FAR = 500.0f;
// Vertical field of view in degrees; the composite turns view distances into ray lengths with its half-angle's
// tangent.
inline constexpr float PROJECTION_FOV_DEGREES = 90.0f;

// Right-handed perspective of PROJECTION_FOV_DEGREES between the planes above, at the settings' aspect.
glm::mat4 frameProjection();

// Renders one frame with the previous turn's frame time and presents it.
void renderFrame(Renderer& renderer, Registry& registry, float deltaTime);
