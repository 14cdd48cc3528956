// Render targets: the scene target at the settings' size, the volumetric ones at half of it (never 0), all
// complete, and the depth halving that the composite's upsampling relies on.
#include "render/render_targets.h"
#include "render/renderer.h"
#include "support/gl_context.h"

#include <sstream>
#include <vector>

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

struct RenderTargets : GlTest {
    Shader programs[3] = {{"Resources/shader/volumetricVertex.shader", "Resources/shader/volumetricFragment.shader",
                           NO_GEOMETRY},
                          {"Resources/shader/volumetricDownsampleVertex.shader",
                           "Resources/shader/volumetricDownsampleFragment.shader", NO_GEOMETRY},
                          {"Resources/shader/blurVertex.shader", "Resources/shader/blurFragment.shader", NO_GEOMETRY}};
    // The volumetric targets for the current settings, and what building them printed.
    std::unique_ptr<VolumetricLight> build(std::string& output) {
        std::stringstream captured;
        std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
        auto light = std::make_unique<VolumetricLight>(&programs[0], &programs[1], &programs[2]);
        std::cout.rdbuf(old);
        output = captured.str();
        return light;
    }
};

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
        std::string output;
        const std::unique_ptr<VolumetricLight> v = build(output);
        const std::string name = std::to_string(c.width) + " x " + std::to_string(c.height);
        EXPECT_EQ(output, "") << name;
        EXPECT_EQ(sizeOf(renderer.sceneColorTexture), c.scene) << name;
        EXPECT_EQ(sizeOf(renderer.sceneDepthTexture), c.scene) << name;
        for (unsigned int texture : {v->colorTextureA, v->colorTextureB, v->halfDepthTexture})
            EXPECT_EQ(sizeOf(texture), c.half) << name;
        for (unsigned int fb : {renderer.sceneFramebuffer, v->framebufferA, v->framebufferB, v->depthFramebuffer})
            EXPECT_TRUE(complete(fb)) << name;
    }
}

TEST_F(RenderTargets, DepthHalvingKeepsTheTexelAtTwiceItsCoordinate) {
    // The composite's upsampling reads this same texel back, so the choice has to hold exactly.
    const int w = 9, h = 7;  // odd sizes: half size 4 x 3
    useWindowSize(w, h);
    std::string output;
    const std::unique_ptr<VolumetricLight> v = build(output);
    std::vector<float> depths(w * h);
    for (int i = 0; i < w * h; ++i) depths[i] = 0.01f + 0.013f * static_cast<float>(i);
    unsigned int scene = 0;
    glGenTextures(1, &scene);
    glBindTexture(GL_TEXTURE_2D, scene);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32F, w, h, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);

    // As the frame runs it: depth test on, cleared depth, the quad through the downsample program.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glBindFramebuffer(GL_FRAMEBUFFER, v->depthFramebuffer);
    glViewport(0, 0, 4, 3);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    v->downsampleProgram->use();
    glBindVertexArray(v->vao);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, scene);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
    std::vector<float> half(4 * 3);
    glReadPixels(0, 0, 4, 3, GL_DEPTH_COMPONENT, GL_FLOAT, half.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_NEAR(half[y * 4 + x], depths[(2 * y) * w + 2 * x], 1e-6f) << x << "," << y;
    glDeleteTextures(1, &scene);
}
