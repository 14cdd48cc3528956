// Render targets: the scene target at the settings' size, the volumetric ones at half of it (never 0), all
// complete.
#include "render/render_targets.h"
#include "render/renderer.h"
#include "support/gl_context.h"
#include "support/gl_probe.h"

namespace {

bool complete(unsigned int framebuffer) {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    const bool done = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return done;
}

using RenderTargets = GlTest;

}  // namespace

TEST_F(RenderTargets, SceneTargetsTakeTheSettingsSizeAndVolumetricOnesHalfOfItButNever0) {
    // The settings' size (truncated) and the sizes wanted.
    const struct { float width, height; glm::ivec2 scene, half; } cases[] = {
        {1280, 720, {1280, 720}, {640, 360}}, {321.9f, 201, {321, 201}, {160, 100}}, {1, 601, {1, 601}, {1, 300}}};
    for (const auto& c : cases) {
        settings.width = c.width, settings.height = c.height;
        Renderer renderer;
        createSceneTarget(renderer);
        const VolumetricLight v(nullptr, nullptr, nullptr);
        const std::string name = std::to_string(c.width) + " x " + std::to_string(c.height);
        EXPECT_EQ(textureSize(renderer.sceneColorTexture), c.scene) << name;
        EXPECT_EQ(textureSize(renderer.sceneDepthTexture), c.scene) << name;
        for (unsigned int texture : {v.colorTextureA, v.colorTextureB, v.halfDepthTexture})
            EXPECT_EQ(textureSize(texture), c.half) << name;
        for (unsigned int fb : {renderer.sceneFramebuffer, v.framebufferA, v.framebufferB, v.depthFramebuffer})
            EXPECT_TRUE(complete(fb)) << name;
    }
}
