// Shadow cache: static depth per light, face tests for moving casters, face copies and clears.
#include "render/shadow_cache.h"

#include "app/gl.h"

#include <cmath>
#include <iostream>

void createShadowCache(ShadowCache& cache, unsigned int liveArray, int size, int layerFaces) {
    glGenTextures(1, &cache.staticArray);
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, cache.staticArray);
    glTexParameteri(GL_TEXTURE_CUBE_MAP_ARRAY, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP_ARRAY, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    // The live array's own format, so whole faces copy between them.
    GLint format = GL_DEPTH_COMPONENT;
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, liveArray);
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_ARRAY, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, cache.staticArray);
    glTexImage3D(GL_TEXTURE_CUBE_MAP_ARRAY, 0, format, size, size, layerFaces, 0, GL_DEPTH_COMPONENT, GL_FLOAT,
                 nullptr);
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, 0);
    glObjectLabel(GL_TEXTURE, cache.staticArray, -1, "static shadow cube array");

    glGenFramebuffers(1, &cache.staticFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, cache.staticFramebuffer);
    glObjectLabel(GL_FRAMEBUFFER, cache.staticFramebuffer, -1, "static shadow framebuffer");
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, cache.staticArray, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        std::cout << "Static shadow framebuffer is not complete" << std::endl;
    glClear(GL_DEPTH_BUFFER_BIT);

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
    cache.movingFaces.fill(0);
}

std::uint8_t facesReached(const glm::vec3& lightPosition, float reach, const glm::vec3& centre, float radius) {
    const glm::vec3 v = centre - lightPosition;
    const float distance = glm::length(v);
    if (distance - radius > reach) return 0;
    if (distance <= radius) return ALL_FACES;
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

void restoreFaces(const ShadowCache& cache, unsigned int liveArray, int cube, std::uint8_t faces, int size) {
    for (int face = 0; face < 6;) {
        if (!(faces & (1u << face))) {
            ++face;
            continue;
        }
        // Neighbouring faces go in one copy.
        int count = 1;
        while (face + count < 6 && (faces & (1u << (face + count)))) ++count;
        const int layer = 6 * cube + face;
        glCopyImageSubData(cache.staticArray, GL_TEXTURE_CUBE_MAP_ARRAY, 0, 0, 0, layer, liveArray,
                           GL_TEXTURE_CUBE_MAP_ARRAY, 0, 0, 0, layer, size, size, count);
        face += count;
    }
}

void clearFaces(const ShadowCache& cache, unsigned int liveArray, int cube, std::uint8_t faces) {
    glBindFramebuffer(GL_FRAMEBUFFER, cache.layerFramebuffer);
    for (int face = 0; face < 6; ++face) {
        if (!(faces & (1u << face))) continue;
        glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, liveArray, 0, 6 * cube + face);
        glClear(GL_DEPTH_BUFFER_BIT);
    }
}
