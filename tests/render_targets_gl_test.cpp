// Render targets: the scene target at the settings' size, the volumetric ones at half of it (never 0), all
// complete.
#include "render/render_targets.h"
#include "render/renderer.h"
#include "support/gl_context.h"

namespace {

glm::ivec2 sizeOf(unsigned int texture) {
    glm::ivec2 size(-1);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &size.x);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &size.y);
    return size;
}

bool complete(unsigned int framebuffer) {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    const bool done = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return done;
}

using RenderTargets = GlTest;

}  // namespace

TEST_F(RenderTargets, SceneTargetsTakeTheSettingsSizeAndVolumetricOnesHalfOfItButNever0) {
    struct Case {
        float width, height;
        glm::ivec2 scene, half;
    };
    const Case cases[] = {{1280, 720, {1280, 720}, {640, 360}},
                          {321.9f, 201, {321, 201}, {160, 100}},  // sizes are truncated
                          {1, 601, {1, 601}, {1, 300}}};
    for (const Case& c : cases) {
        useWindowSize(c.width, c.height);
        Renderer renderer;
        createSceneTarget(renderer);
        const VolumetricLight v(nullptr, nullptr, nullptr);
        const std::string name = std::to_string(c.width) + " x " + std::to_string(c.height);
        EXPECT_EQ(sizeOf(renderer.sceneColorTexture), c.scene) << name;
        EXPECT_EQ(sizeOf(renderer.sceneDepthTexture), c.scene) << name;
        for (unsigned int texture : {v.colorTextureA, v.colorTextureB, v.halfDepthTexture})
            EXPECT_EQ(sizeOf(texture), c.half) << name;
        for (unsigned int fb : {renderer.sceneFramebuffer, v.framebufferA, v.framebufferB, v.depthFramebuffer})
            EXPECT_TRUE(complete(fb)) << name;
    }
}
