// Point-light shadows: each light's six cube-face matrices and reach, and the pass that brings every light's
// cube in the shadow array up to date.
#pragma once

#include "core/shader.h"
#include "world/lights.h"

#include <glm/glm.hpp>

#include <array>

struct Registry;
struct Renderer;

// Cube faces in GL order +X, -X, +Y, -Y, +Z, -Z: where each looks and which way is up.
struct CubeFace {
    glm::vec3 direction;
    glm::vec3 up;
};
inline constexpr std::array<CubeFace, 6> CUBE_FACES = {{
    {{1.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}},
    {{-1.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}},
    {{0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}},
    {{0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, -1.0f}},
    {{0.0f, 0.0f, 1.0f}, {0.0f, -1.0f, 0.0f}},
    {{0.0f, 0.0f, -1.0f}, {0.0f, -1.0f, 0.0f}},
}};

// First frame: the light's cube index, its depth range and its six face matrices.
void initShadowTransforms(LightSource& light, unsigned int shadowFramebuffer, int index);

// The six face matrices for the light's current position.
void computeShadowTransforms(LightSource& light);

// Uploads "cm_mat[0..5]", "lightID", "near_far" and "lightPos" to the program in use.
void setShadowUniforms(const LightSource& light, const Shader& shadowShader);

// First frame only: every light, last created first, gets cube 0, 1, 2 ... and its matrices.
void initShadows(Renderer& renderer, Registry& registry);

// Every light's cube brought up to date, with the poses of the world update: the still lights first (last
// created first), their static depth drawn again when culling changed and their moving casters drawn only
// where the static depth does not hide them, then the lights that move.
void renderShadowCasters(Renderer& renderer, Registry& registry);

// The frame's shadow pass: every light's cube brought up to date in the shadow array. The cache keeps what did
// not change, so the array is not cleared.
void shadowPass(Renderer& renderer, Registry& registry);
