// Shadow cache: the static casters' depth kept per light, and the cube faces that moving casters touched.
#pragma once

#include "world/components.h"
#include "world/lights.h"

#include <glm/glm.hpp>

#include <array>
#include <cstdint>

// Bit i stands for cube face i (+X, -X, +Y, -Y, +Z, -Z).
inline constexpr std::uint8_t ALL_FACES = 0x3F;

// Still meshes' depth from a light that never moves stays the same, so it is drawn into the live cube itself:
// on the light's first frame, and again whenever face culling (F2) changes which of their sides throw shadow.
// Before a moving caster (a skinned drawable's mesh) first draws into a face, that face is copied into a store
// of its own; from then on the live face gets it back each frame a moving caster drew into it the frame
// before, and the moving casters the light can see are drawn again over the faces they reach now. Faces no
// moving caster ever reaches need no store, and start-up allocates none.
struct ShadowCache {
    std::array<unsigned int, 6 * MAX_LIGHTS> faceStore{};  // one 2D depth texture per stored face, or 0
    unsigned int layerFramebuffer = 0;  // one layer of the live array at a time, to draw or clear a single face
    int format = 0;                     // the live array's internal format, so faces copy both ways
    int size = 0;
    std::array<bool, MAX_LIGHTS> staticReady{};
    std::array<bool, MAX_LIGHTS> staticCulling{};        // whether face culling was on when it was drawn
    std::array<std::uint8_t, MAX_LIGHTS> storedFaces{};  // faces whose static depth sits in faceStore
    std::array<std::uint8_t, MAX_LIGHTS> movingFaces{};  // faces moving casters drew into last frame

    ShadowCache() = default;
    ShadowCache(const ShadowCache&) = delete;
    ShadowCache& operator=(const ShadowCache&) = delete;
};

// The layer framebuffer, and the live array cleared once; the live array must exist.
void createShadowCache(ShadowCache& cache, unsigned int liveArray, int size, int layerFaces);

// Faces of the cube at lightPosition in which a sphere may show: all when it holds the light.
std::uint8_t facesReached(const glm::vec3& lightPosition, const Sphere& bounds);

// Whether cube's live faces hold a static depth drawn with the culling state given.
bool staticDepthCurrent(const ShadowCache& cache, int cube, bool culling);

// cube's static depth was just drawn into every live face with culling: nothing of a moving caster is left
// there, and what the stores hold is out of date.
void staticDepthDrawn(ShadowCache& cache, int cube, bool culling);

// The faces of cube that moving casters drew into last frame back to the static depth.
void restoreMovedFaces(const ShadowCache& cache, unsigned int liveArray, int cube);

// Moving casters are about to draw into faces of cube this frame: those whose static depth is not yet
// stored go to their stores first, and those come back next frame.
void keepMovedFaces(ShadowCache& cache, unsigned int liveArray, int cube, std::uint8_t faces);

