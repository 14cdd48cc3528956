// Volumetric render targets: the half-size framebuffers of the volumetric light and its blur.
#include "render/render_targets.h"

#include "core/gl.h"
#include "core/settings.h"
#include "render/composite.h"

#include <algorithm>
#include <iostream>

namespace {

void reportIncomplete() {
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        std::cout << "ERROR::FRAMEBUFFER:: Framebuffer is not complete!" << std::endl;
}

// A float colour target with a depth-stencil renderbuffer whose name is not kept.
void createColorTarget(unsigned int& framebuffer, unsigned int& texture, glm::ivec2 size, const char* label) {
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, size.x, size.y, 0, GL_RGBA, GL_FLOAT, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    glObjectLabel(GL_TEXTURE, texture, -1, label);

    unsigned int renderbuffer = 0;
    glGenRenderbuffers(1, &renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, size.x, size.y);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, renderbuffer);

    reportIncomplete();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void createDepthTarget(unsigned int& framebuffer, unsigned int& texture, glm::ivec2 size) {
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, size.x, size.y, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, texture, 0);
    glObjectLabel(GL_TEXTURE, texture, -1, "volumetric half depth");
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);

    reportIncomplete();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

}  // namespace

int halfExtent(float extent) {
    return std::max(1, static_cast<int>(extent * 0.5f));
}

glm::ivec2 halfTargetSize() {
    return {halfExtent(settings.width), halfExtent(settings.height)};
}

VolumetricLight::VolumetricLight(Shader* volumetric, Shader* downsample, Shader* blur)
    : volumetricProgram(volumetric), downsampleProgram(downsample), blurProgram(blur) {
    const glm::ivec2 size = halfTargetSize();
    createColorTarget(framebufferA, colorTextureA, size, "volumetric light A");
    createColorTarget(framebufferB, colorTextureB, size, "volumetric light B");
    createQuadGeometry(vao, vbo);
    glObjectLabel(GL_VERTEX_ARRAY, vao, -1, "volumetric quad");
    createDepthTarget(depthFramebuffer, halfDepthTexture, size);
}
