// Shadow cache: the static casters' depth kept per light, and the cube faces that moving casters touched.
#pragma once

#include "render/lights.h"

#include <glm/glm.hpp>

#include <array>
#include <cstdint>

// Bit i stands for cube face i (+X, -X, +Y, -Y, +Z, -Z).
inline constexpr std::uint8_t ALL_FACES = 0x3F;

// The house and the candles never move, so their depth from a light that never moves is drawn once into
// staticArray; each frame a live cube gets back the faces that a moving caster (the ghost, the lantern)
// drew into last frame, and the moving casters are drawn again over the faces they reach now.
struct ShadowCache {
    unsigned int staticArray = 0;       // same layout and format as the live shadow array
    unsigned int staticFramebuffer = 0; // layered, onto staticArray
    unsigned int layerFramebuffer = 0;  // one layer of the live array at a time, to clear a single face
    std::array<bool, MAX_LIGHTS> staticReady{};
    std::array<std::uint8_t, MAX_LIGHTS> movingFaces{};  // faces moving casters drew into last frame

    ShadowCache() = default;
    ShadowCache(const ShadowCache&) = delete;
    ShadowCache& operator=(const ShadowCache&) = delete;
};

// The static array, its framebuffers, and the live array cleared once; the live array must exist.
void createShadowCache(ShadowCache& cache, unsigned int liveArray, int size, int layerFaces);

// Faces of the cube at lightPosition in which a sphere may show: none when the whole sphere lies beyond
// reach, all when it holds the light.
std::uint8_t facesReached(const glm::vec3& lightPosition, float reach, const glm::vec3& centre, float radius);

// Copies the given faces of cube from the static array into the live one.
void restoreFaces(const ShadowCache& cache, unsigned int liveArray, int cube, std::uint8_t faces, int size);

// Clears the given faces of cube in the live array to the far depth; leaves the layer framebuffer bound.
void clearFaces(const ShadowCache& cache, unsigned int liveArray, int cube, std::uint8_t faces);
