// Shadow cache: which faces hold what, the face tests for moving casters, and the copies to and from the stores.
#include "render/shadow_cache.h"

#include "core/gl.h"

#include <cmath>
#include <string>

void createShadowCache(ShadowCache& cache, unsigned int liveArray, int size, int layerFaces) {
    GLint format = GL_DEPTH_COMPONENT;
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, liveArray);
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_ARRAY, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, 0);
    cache.format = format;
    cache.size = size;

    glGenFramebuffers(1, &cache.layerFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, cache.layerFramebuffer);
    glObjectLabel(GL_FRAMEBUFFER, cache.layerFramebuffer, -1, "shadow face framebuffer");
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    // Every live cube starts at the far depth; from then on only the faces that change are written.
    for (int layer = 0; layer < layerFaces; ++layer) {
        glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, liveArray, 0, layer);
        glClear(GL_DEPTH_BUFFER_BIT);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    cache.staticReady.fill(false);
    cache.staticCulling.fill(false);
    cache.storedFaces.fill(0);
    cache.movingFaces.fill(0);
}

std::uint8_t facesReached(const glm::vec3& lightPosition, const Sphere& bounds) {
    const glm::vec3 v = bounds.centre - lightPosition;
    const float radius = bounds.radius;
    if (glm::length(v) <= radius) return ALL_FACES;
    // A face sees the pyramid where its axis component exceeds both others; the sphere meets it when it
    // lies less than its radius outside each of the four side planes (normals (axis -+ other) / sqrt 2).
    const float slack = radius * std::sqrt(2.0f);
    std::uint8_t faces = 0;
    for (int axis = 0; axis < 3; ++axis) {
        const float a = std::abs(v[(axis + 1) % 3]), b = std::abs(v[(axis + 2) % 3]);
        for (int sign = 0; sign < 2; ++sign) {
            const float along = sign == 0 ? v[axis] : -v[axis];
            if (along - a >= -slack && along - b >= -slack) faces |= static_cast<std::uint8_t>(1u << (2 * axis + sign));
        }
    }
    return faces;
}

namespace {

unsigned int createFaceStore(const ShadowCache& cache, int layer) {
    unsigned int texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, cache.format, cache.size, cache.size, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    const std::string label = "static shadow face " + std::to_string(layer);
    glObjectLabel(GL_TEXTURE, texture, -1, label.c_str());
    return texture;
}

// Copies the given faces of cube from the live array into their stores, making the stores it lacks.
void storeFaces(ShadowCache& cache, unsigned int liveArray, int cube, std::uint8_t faces) {
    for (int face = 0; face < 6; ++face) {
        if (!(faces & (1u << face))) continue;
        const int layer = 6 * cube + face;
        unsigned int& store = cache.faceStore[static_cast<std::size_t>(layer)];
        if (!store) store = createFaceStore(cache, layer);
        glCopyImageSubData(liveArray, GL_TEXTURE_CUBE_MAP_ARRAY, 0, 0, 0, layer, store, GL_TEXTURE_2D, 0, 0, 0, 0,
                           cache.size, cache.size, 1);
    }
}

// Copies the given stored faces of cube back into the live array.
void restoreFaces(const ShadowCache& cache, unsigned int liveArray, int cube, std::uint8_t faces) {
    for (int face = 0; face < 6; ++face) {
        const int layer = 6 * cube + face;
        const unsigned int store = cache.faceStore[static_cast<std::size_t>(layer)];
        if (!(faces & (1u << face)) || !store) continue;
        glCopyImageSubData(store, GL_TEXTURE_2D, 0, 0, 0, 0, liveArray, GL_TEXTURE_CUBE_MAP_ARRAY, 0, 0, 0, layer,
                           cache.size, cache.size, 1);
    }
}

}  // namespace

bool staticDepthCurrent(const ShadowCache& cache, int cube, bool culling) {
    const std::size_t i = static_cast<std::size_t>(cube);
    return cache.staticReady[i] && cache.staticCulling[i] == culling;
}

void staticDepthDrawn(ShadowCache& cache, int cube, bool culling) {
    const std::size_t i = static_cast<std::size_t>(cube);
    cache.staticReady[i] = true;
    cache.staticCulling[i] = culling;
    cache.storedFaces[i] = 0;  // the stores are kept, to be written again before their next use
    cache.movingFaces[i] = 0;
}

void restoreMovedFaces(const ShadowCache& cache, unsigned int liveArray, int cube) {
    restoreFaces(cache, liveArray, cube, cache.movingFaces[static_cast<std::size_t>(cube)]);
}

void keepMovedFaces(ShadowCache& cache, unsigned int liveArray, int cube, std::uint8_t faces) {
    const std::size_t i = static_cast<std::size_t>(cube);
    // Faces not yet stored hold the static depth alone: no moving caster has drawn into them.
    const std::uint8_t unstored = static_cast<std::uint8_t>(faces & ~cache.storedFaces[i]);
    storeFaces(cache, liveArray, cube, unstored);
    cache.storedFaces[i] |= unstored;
    cache.movingFaces[i] = faces;
}
