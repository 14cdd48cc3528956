// Volumetric render targets: half-size depth copy and two float colour targets with their quad.
#pragma once

#include "core/shader.h"

#include <glm/glm.hpp>

// Half of a window extent, truncated toward zero but never 0, so a 1-pixel window keeps valid targets.
int halfExtent(float extent);

// Half of the settings' width and height: the size of every volumetric target and viewport.
glm::ivec2 halfTargetSize();

// One instance, owned by the renderer; the GL names live until the context ends.
struct VolumetricLight {
    Shader* volumetricProgram = nullptr;  // not owned
    Shader* downsampleProgram = nullptr;  // not owned
    Shader* blurProgram = nullptr;        // not owned
    unsigned int colorTextureA = 0;       // the volumetric pass, then the final blur
    unsigned int colorTextureB = 0;       // the first blur
    unsigned int halfDepthTexture = 0;
    float accumulatedTime = 0.0f;         // seconds of frames that ran the volumetric pass
    unsigned int framebufferA = 0;
    unsigned int framebufferB = 0;
    unsigned int depthFramebuffer = 0;
    unsigned int vbo = 0;
    unsigned int vao = 0;

    // Creates the three half-size framebuffers and the quad; leaves the default framebuffer bound.
    VolumetricLight(Shader* volumetricProgram, Shader* downsampleProgram, Shader* blurProgram);
    VolumetricLight(const VolumetricLight&) = delete;
    VolumetricLight& operator=(const VolumetricLight&) = delete;
};
