// Composite: the quad, the texture units it reads, pass-through, the volumetric term and its edges.
#include "core/toggles.h"
#include "render/composite.h"
#include "support/gl_context.h"

#include <cmath>
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

Shader quadProgram() {
    return Shader("Resources/shader/quadVertex.shader", "Resources/shader/quadFragment.shader", NO_GEOMETRY);
}

unsigned int makeTexture(int internalFormat, int width, int height, unsigned int format, unsigned int type,
                         const void* data, int filter) {
    unsigned int texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, format, type, data);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

// Inputs as the frame gives them: 8-bit scene colour, float depth, half-size RGBA32F light.
struct CompositeInputs {
    int width, height;
    unsigned int scene = 0, depth = 0, light = 0;
    CompositeInputs(int w, int h, const std::vector<unsigned char>& rgb, const std::vector<float>& depths,
                    const std::vector<float>& rgba)
        : width(w), height(h) {
        scene = makeTexture(GL_RGB, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data(), GL_LINEAR);
        depth = makeTexture(GL_DEPTH_COMPONENT, w, h, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data(), GL_NEAREST);
        light = makeTexture(GL_RGBA32F, w / 2, h / 2, GL_RGBA, GL_FLOAT, rgba.data(), GL_LINEAR);
    }
    ~CompositeInputs() {
        unsigned int names[] = {scene, depth, light};
        glDeleteTextures(3, names);
    }
};

// Window stand-in: an 8-bit colour target of the given size, bound with its viewport.
struct WindowTarget {
    unsigned int framebuffer = 0, color = 0;
    int width, height;
    WindowTarget(int w, int h) : width(w), height(h) {
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        color = makeTexture(GL_RGB8, w, h, GL_RGB, GL_UNSIGNED_BYTE, nullptr, GL_NEAREST);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color, 0);
        glViewport(0, 0, w, h);
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    ~WindowTarget() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &color);
    }
    std::vector<unsigned char> pixels() const {
        std::vector<unsigned char> rgb(static_cast<size_t>(width * height * 3));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }
};

// Depth-buffer value of a point at the given view distance under the frame's projection.
float depthAt(float distance) {
    const float n = 0.1f, f = 500.0f;
    float ndc = (f + n - 2.0f * n * f / distance) / (f - n);
    return ndc * 0.5f + 0.5f;
}

float srgbToLinear(float c) { return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f); }
float linearToSrgb(float c) { return c <= 0.0031308f ? c * 12.92f : 1.055f * std::pow(c, 1.0f / 2.4f) - 0.055f; }

}  // namespace

using CompositeTest = GlTest;

TEST_F(CompositeTest, ProgramCompilesAndLinksWithEmptyLogs) {
    Shader quad = quadProgram();
    int linked = 0;
    glGetProgramiv(quad.ID, GL_LINK_STATUS, &linked);
    EXPECT_TRUE(linked);
    EXPECT_EQ(stageAndProgramLogs(quad.ID), "");
}

TEST_F(CompositeTest, QuadHoldsTheSixCornersWithTheirTextureCoordinates) {
    Shader program = quadProgram();
    ScreenQuad quad(&program);
    EXPECT_EQ(quad.program, &program);
    std::vector<float> stored(24);
    glBindBuffer(GL_ARRAY_BUFFER, quad.vbo);
    int bytes = 0;
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
    ASSERT_EQ(bytes, 96);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, 96, stored.data());
    EXPECT_EQ(stored, std::vector<float>(std::begin(FULLSCREEN_QUAD), std::end(FULLSCREEN_QUAD)));
    glBindVertexArray(quad.vao);
    for (int attribute = 0; attribute < 2; ++attribute) {
        int enabled = 0, size = 0, stride = 0;
        void* offset = nullptr;
        glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
        glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
        glGetVertexAttribPointerv(attribute, GL_VERTEX_ATTRIB_ARRAY_POINTER, &offset);
        EXPECT_TRUE(enabled);
        EXPECT_EQ(size, 2);
        EXPECT_EQ(stride, 16);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(offset), attribute * 8u);
    }
    glBindVertexArray(0);
}

TEST_F(CompositeTest, ReadsSceneOnUnitZeroDepthOnOneAndTheLightOnSeven) {
    Shader program = quadProgram();
    ScreenQuad quad(&program);
    CompositeInputs in(4, 4, std::vector<unsigned char>(48, 0), std::vector<float>(16, 1.0f),
                       std::vector<float>(16, 0.0f));
    WindowTarget window(4, 4);
    unsigned int decoy = makeTexture(GL_RGBA32F, 2, 2, GL_RGBA, GL_FLOAT, nullptr, GL_LINEAR);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, decoy);

    for (bool on : {true, false}) {
        volumetricEnabled = on;
        compositeScene(quad, in.scene, in.light, in.depth);
        auto uniform = [&](const char* name) {
            int value = -1;
            glGetUniformiv(program.ID, glGetUniformLocation(program.ID, name), &value);
            return value;
        };
        EXPECT_EQ(uniform("screenTexture"), 0);
        EXPECT_EQ(uniform("depthTexture"), 1);
        EXPECT_EQ(uniform("volumetricLightTexture"), 7);
        EXPECT_EQ(uniform("useVolumetric"), on ? 1 : 0);
    }
    int active = 0, onSeven = 0, onZero = 0, onOne = 0, onTwo = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE7) << "unit 7 stays the active unit";
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &onSeven);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &onZero);
    glActiveTexture(GL_TEXTURE1);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &onOne);
    glActiveTexture(GL_TEXTURE2);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &onTwo);
    EXPECT_EQ(static_cast<unsigned int>(onSeven), in.light);
    EXPECT_EQ(static_cast<unsigned int>(onZero), in.scene);
    EXPECT_EQ(static_cast<unsigned int>(onOne), in.depth);
    EXPECT_EQ(static_cast<unsigned int>(onTwo), decoy) << "unit 2 is not the composite's";
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    glDeleteTextures(1, &decoy);
}

TEST_F(CompositeTest, PassesTheSceneThroughAndAddsTheLightOnlyWhenSwitchedOn) {
    Shader program = quadProgram();
    ScreenQuad quad(&program);
    const int w = 8, h = 8;
    std::vector<unsigned char> rgb;
    for (int i = 0; i < w * h; ++i) rgb.insert(rgb.end(), {static_cast<unsigned char>(i * 3), 60, 200});
    std::vector<float> light;
    for (int i = 0; i < (w / 2) * (h / 2); ++i) light.insert(light.end(), {0.05f, 0.0f, 0.0f, 1.0f});
    CompositeInputs in(w, h, rgb, std::vector<float>(w * h, depthAt(3.0f)), light);

    WindowTarget window(w, h);
    volumetricEnabled = false;
    compositeScene(quad, in.scene, in.light, in.depth);
    EXPECT_EQ(window.pixels(), rgb);

    volumetricEnabled = true;
    compositeScene(quad, in.scene, in.light, in.depth);
    std::vector<unsigned char> lit = window.pixels();
    for (int i = 0; i < w * h; ++i) {
        float expected = linearToSrgb(srgbToLinear(rgb[i * 3] / 255.0f) + 0.05f) * 255.0f;
        EXPECT_NEAR(lit[i * 3], expected, 1.5) << "pixel " << i;
        EXPECT_NEAR(lit[i * 3 + 1], 60, 1) << "pixel " << i;
        EXPECT_NEAR(lit[i * 3 + 2], 200, 1) << "pixel " << i;
    }
}

TEST_F(CompositeTest, LightEdgeFollowsTheFullSizeDepthEdge) {
    // A near wall on columns 0..6 and open sky from column 7: the silhouette falls inside half-size texel 3.
    // The light is where the sky is; plain bilinear upsampling would smear it onto columns 6 to 8.
    volumetricEnabled = true;
    Shader program = quadProgram();
    ScreenQuad quad(&program);
    const int w = 16, h = 8;
    std::vector<float> depths(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) depths[y * w + x] = x < 7 ? depthAt(2.0f) : 1.0f;
    std::vector<float> light;
    for (int y = 0; y < h / 2; ++y)
        for (int x = 0; x < w / 2; ++x) {
            float v = depths[(2 * y) * w + 2 * x] == 1.0f ? 1.0f : 0.0f;  // what the half-size depth saw
            light.insert(light.end(), {v, v, v, 1.0f});
        }
    CompositeInputs in(w, h, std::vector<unsigned char>(w * h * 3, 0), depths, light);
    WindowTarget window(w, h);
    compositeScene(quad, in.scene, in.light, in.depth);
    std::vector<unsigned char> out = window.pixels();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x < 7)
                EXPECT_LE(out[(y * w + x) * 3], 1) << "wall pixel " << x << "," << y;
            else
                EXPECT_GE(out[(y * w + x) * 3], 250) << "sky pixel " << x << "," << y;
        }
}
