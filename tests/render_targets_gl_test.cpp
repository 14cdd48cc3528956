// Volumetric targets: half sizes from the settings (never 0), formats, filters, completeness, the depth copy.
#include "core/settings.h"
#include "render/composite.h"
#include "render/render_targets.h"
#include "support/gl_context.h"

#include <sstream>
#include <vector>

namespace {

std::string stageAndProgramLogs(unsigned int program) {
    std::string logs;
    unsigned int stages[4] = {};
    int count = 0;
    glGetAttachedShaders(program, 4, &count, stages);
    char text[2048];
    for (int i = 0; i < count; ++i) {
        text[0] = '\0';
        glGetShaderInfoLog(stages[i], sizeof text, nullptr, text);
        logs += text;
    }
    text[0] = '\0';
    glGetProgramInfoLog(program, sizeof text, nullptr, text);
    return logs + text;
}

Shader program(const std::string& name) {
    return Shader("Resources/shader/" + name + "Vertex.shader", "Resources/shader/" + name + "Fragment.shader",
                  NO_GEOMETRY);
}

struct Level {
    int width = 0, height = 0, format = 0;
};

Level level0(unsigned int texture) {
    Level l;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &l.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &l.height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &l.format);
    return l;
}

int parameter(unsigned int texture, unsigned int name) {
    int value = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

unsigned int status(unsigned int framebuffer) {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    unsigned int s = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return s;
}

struct Programs {
    Shader volumetric = program("volumetric");
    Shader downsample = program("volumetricDownsample");
    Shader blur = program("blur");
};

struct Built {
    std::unique_ptr<VolumetricLight> light;
    std::string output;
};

Built build(Programs& p) {
    std::stringstream captured;
    std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
    auto light = std::make_unique<VolumetricLight>(&p.volumetric, &p.downsample, &p.blur);
    std::cout.rdbuf(old);
    return {std::move(light), captured.str()};
}

}  // namespace

using RenderTargetsTest = GlTest;

TEST_F(RenderTargetsTest, VolumetricProgramsCompileAndLinkWithEmptyLogs) {
    Programs p;
    for (const Shader* s : {&p.volumetric, &p.downsample, &p.blur}) {
        int linked = 0;
        glGetProgramiv(s->ID, GL_LINK_STATUS, &linked);
        EXPECT_TRUE(linked);
        EXPECT_EQ(stageAndProgramLogs(s->ID), "");
    }
}

TEST_F(RenderTargetsTest, HalfSizeTargetsHaveTheirFormatsFiltersAndAreComplete) {
    struct Case {
        float width, height;
        int halfWidth, halfHeight;
    };
    Programs p;
    for (Case c : {Case{1280, 720, 640, 360}, Case{1001, 601, 500, 300}}) {
        useWindowSize(c.width, c.height);
        Built built = build(p);
        const VolumetricLight& v = *built.light;
        EXPECT_EQ(built.output, "");
        EXPECT_EQ(v.volumetricProgram, &p.volumetric);
        EXPECT_EQ(v.downsampleProgram, &p.downsample);
        EXPECT_EQ(v.blurProgram, &p.blur);
        EXPECT_EQ(v.accumulatedTime, 0.0f);
        int bound = -1;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
        EXPECT_EQ(bound, 0) << "construction leaves the default framebuffer bound";

        for (unsigned int color : {v.colorTextureA, v.colorTextureB}) {
            Level l = level0(color);
            EXPECT_EQ(l.width, c.halfWidth);
            EXPECT_EQ(l.height, c.halfHeight);
            EXPECT_EQ(l.format, GL_RGBA32F);
            EXPECT_EQ(parameter(color, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
            EXPECT_EQ(parameter(color, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
            EXPECT_EQ(parameter(color, GL_TEXTURE_WRAP_S), GL_REPEAT);
        }
        Level depth = level0(v.halfDepthTexture);
        EXPECT_EQ(depth.width, c.halfWidth);
        EXPECT_EQ(depth.height, c.halfHeight);
        EXPECT_EQ(parameter(v.halfDepthTexture, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
        EXPECT_EQ(parameter(v.halfDepthTexture, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
        EXPECT_EQ(parameter(v.halfDepthTexture, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
        EXPECT_EQ(parameter(v.halfDepthTexture, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);

        for (unsigned int fb : {v.framebufferA, v.framebufferB, v.depthFramebuffer})
            EXPECT_EQ(status(fb), static_cast<unsigned int>(GL_FRAMEBUFFER_COMPLETE));
        glBindFramebuffer(GL_FRAMEBUFFER, v.framebufferA);
        int type = 0;
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT,
                                              GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
        EXPECT_EQ(type, GL_RENDERBUFFER);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
}

TEST_F(RenderTargetsTest, OnePixelWideWindowKeepsOnePixelTargets) {
    EXPECT_EQ(halfExtent(1.0f), 1);
    EXPECT_EQ(halfExtent(3.0f), 1);
    EXPECT_EQ(halfExtent(1001.0f), 500);
    Programs p;
    useWindowSize(1.0f, 601.0f);
    EXPECT_EQ(halfTargetSize(), glm::ivec2(1, 300));
    Built built = build(p);
    EXPECT_EQ(built.output, "") << "no incomplete framebuffer";
    for (unsigned int texture : {built.light->colorTextureA, built.light->colorTextureB, built.light->halfDepthTexture})
        EXPECT_EQ(level0(texture).width, 1);
    for (unsigned int fb : {built.light->framebufferA, built.light->framebufferB, built.light->depthFramebuffer})
        EXPECT_EQ(status(fb), static_cast<unsigned int>(GL_FRAMEBUFFER_COMPLETE));
}

TEST_F(RenderTargetsTest, DepthDownsampleKeepsTheTexelAtTwiceItsCoordinate) {
    // The composite's upsampling reads this same texel back, so the choice has to hold exactly.
    Programs p;
    const int w = 9, h = 7;  // odd sizes: half size 4 x 3
    useWindowSize(w, h);
    Built built = build(p);
    VolumetricLight& v = *built.light;

    std::vector<float> depths(w * h);
    for (int i = 0; i < w * h; ++i) depths[i] = 0.01f + 0.013f * static_cast<float>(i);
    unsigned int scene = 0;
    glGenTextures(1, &scene);
    glBindTexture(GL_TEXTURE_2D, scene);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, w, h, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    std::vector<float> stored(w * h);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, stored.data());

    // As the frame runs it: depth test on, cleared depth, the quad through the downsample program.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glBindFramebuffer(GL_FRAMEBUFFER, v.depthFramebuffer);
    glViewport(0, 0, 4, 3);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    v.downsampleProgram->use();
    glBindVertexArray(v.vao);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, scene);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
    std::vector<float> half(4 * 3);
    glReadPixels(0, 0, 4, 3, GL_DEPTH_COMPONENT, GL_FLOAT, half.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_NEAR(half[y * 4 + x], stored[(2 * y) * w + 2 * x], 1e-6f) << x << "," << y;
    glDeleteTextures(1, &scene);
}
