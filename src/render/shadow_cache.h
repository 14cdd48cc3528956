// Shadow cache: the static casters' depth kept per light, and the cube faces that moving casters touched.
#pragma once

#include "world/lights.h"

#include <glm/glm.hpp>

#include <array>
#include <cstdint>

// Bit i stands for cube face i (+X, -X, +Y, -Y, +Z, -Z).
inline constexpr std::uint8_t ALL_FACES = 0x3F;

// The house and the candles never move, so their depth from a light that never moves is drawn once, into
// the live cube itself. Before a moving caster (the ghost, the lantern) first draws into a face, that face
// is copied into a store of its own; from then on the live face gets it back each frame a moving caster
// drew into it the frame before, and the moving casters the light can see are drawn again over the faces
// they reach now.
// Faces no moving caster ever reaches need no store, and start-up allocates none.
struct ShadowCache {
    std::array<unsigned int, 6 * MAX_LIGHTS> faceStore{};  // one 2D depth texture per stored face, or 0
    unsigned int layerFramebuffer = 0;  // one layer of the live array at a time, to draw or clear a single face
    int format = 0;                     // the live array's internal format, so faces copy both ways
    int size = 0;
    std::array<bool, MAX_LIGHTS> staticReady{};
    std::array<std::uint8_t, MAX_LIGHTS> storedFaces{};  // faces whose static depth sits in faceStore
    std::array<std::uint8_t, MAX_LIGHTS> movingFaces{};  // faces moving casters drew into last frame

    ShadowCache() = default;
    ShadowCache(const ShadowCache&) = delete;
    ShadowCache& operator=(const ShadowCache&) = delete;
};

// The layer framebuffer, and the live array cleared once; the live array must exist.
void createShadowCache(ShadowCache& cache, unsigned int liveArray, int size, int layerFaces);

// Faces of the cube at lightPosition in which a sphere may show: none when the whole sphere lies beyond
// reach, all when it holds the light.
std::uint8_t facesReached(const glm::vec3& lightPosition, float reach, const glm::vec3& centre, float radius);

// Copies the given faces of cube from the live array into their stores, making the stores it lacks.
void storeFaces(ShadowCache& cache, unsigned int liveArray, int cube, std::uint8_t faces);

// Copies the given stored faces of cube back into the live array.
void restoreFaces(const ShadowCache& cache, unsigned int liveArray, int cube, std::uint8_t faces);

