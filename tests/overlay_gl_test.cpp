// Overlay: the frame-rate text and its placement, the glyph table, pen advances, failed fonts, untouched state.
#include "core/frame_rate.h"
#include "core/settings.h"
#include "core/toggles.h"
#include "render/frame.h"
#include "render/overlay.h"
#include "support/gl_context.h"
#include "world/components.h"
#include "world/registry.h"

#include <filesystem>
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

Shader hudProgram() {
    return Shader("Resources/shader/hudVertex.shader", "Resources/shader/hudFragment.shader", NO_GEOMETRY);
}

std::string loadCaptured(TextRenderer& text, const std::string& path) {
    std::stringstream captured;
    std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
    loadFont(text, path);
    std::cout.rdbuf(old);
    return captured.str();
}

// The six vertices the last drawn glyph left in the buffer.
std::vector<float> lastGlyphQuad(const TextRenderer& text) {
    std::vector<float> v(24);
    glBindBuffer(GL_ARRAY_BUFFER, text.vbo);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, 96, v.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return v;
}

unsigned int solidGlyphTexture(int w, int h, unsigned char coverage) {
    std::vector<unsigned char> texels(static_cast<size_t>(w * h), coverage);
    unsigned int texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RED, w, h, 0, GL_RED, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

// Window stand-in of the settings' size, cleared black and bound.
struct TextTarget {
    unsigned int framebuffer = 0, color = 0;
    int width, height;
    TextTarget() : width(static_cast<int>(settings.width)), height(static_cast<int>(settings.height)) {
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glGenTextures(1, &color);
        glBindTexture(GL_TEXTURE_2D, color);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color, 0);
        glViewport(0, 0, width, height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_DEPTH_TEST);
    }
    ~TextTarget() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &color);
        glEnable(GL_DEPTH_TEST);
    }
    std::vector<unsigned char> pixels() const {
        std::vector<unsigned char> rgb(static_cast<size_t>(width * height * 3));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }
};

int litPixels(const std::vector<unsigned char>& rgb, int width, int x0, int y0, int x1, int y1) {
    int lit = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) lit += rgb[(y * width + x) * 3] > 40 ? 1 : 0;
    return lit;
}

}  // namespace

using OverlayTest = GlTest;

TEST_F(OverlayTest, ProgramCompilesAndLinksWithEmptyLogs) {
    Shader hud = hudProgram();
    int linked = 0;
    glGetProgramiv(hud.ID, GL_LINK_STATUS, &linked);
    EXPECT_TRUE(linked);
    EXPECT_EQ(stageAndProgramLogs(hud.ID), "");
}

TEST_F(OverlayTest, FrameRateTextCutsTowardZero) {
    EXPECT_EQ(fpsText(60.0f), "60 fps");
    EXPECT_EQ(fpsText(0.0f), "0 fps");
    EXPECT_EQ(fpsText(59.99f), "59 fps");
    EXPECT_EQ(fpsText(0.5f), "0 fps");
}

TEST_F(OverlayTest, LinesAndPlacementAtWidth1920) {
    useWindowSize(1920.0f, 1080.0f);
    Shader hud = hudProgram();
    TextRenderer text(&hud);
    EXPECT_FLOAT_EQ(text.textScale, 0.96f);
    EXPECT_EQ(text.textColor, glm::vec3(1.0f));
    Registry registry;

    showFps = true;
    fps = 0.0f;  // the first second of the run
    std::vector<OverlayLine> lines = overlayLines(text, registry);
    ASSERT_EQ(lines.size(), 1u) << "no game state: no spectator line";
    EXPECT_EQ(lines[0].text, "0 fps");
    EXPECT_FLOAT_EQ(lines[0].x, 1804.8f);
    EXPECT_FLOAT_EQ(lines[0].y, 1042.2f);
    EXPECT_FLOAT_EQ(lines[0].scale, 0.672f);

    fps = 60.0f;
    EXPECT_EQ(overlayLines(text, registry)[0].text, "60 fps");

    // The first stored game state decides.
    registry.emplace<GameState>(registry.create(), GameState{true});
    registry.emplace<GameState>(registry.create(), GameState{false});
    lines = overlayLines(text, registry);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].text, "Spectator mode ON");
    EXPECT_FLOAT_EQ(lines[1].x, 1920.0f - 1920.0f * 0.155f);
    EXPECT_FLOAT_EQ(lines[1].y, 1080.0f - 1080.0f * 0.07f);
    showFps = false;
    EXPECT_EQ(overlayLines(text, registry).size(), 1u);
}

TEST_F(OverlayTest, PenAdvancesOverSpacesAndSkipsUnknownCodes) {
    useWindowSize(320.0f, 200.0f);
    Shader hud = hudProgram();
    TextRenderer text(&hud);
    unsigned int bitmap = solidGlyphTexture(10, 12, 255);
    text.glyphs[' '] = Character{0, {0, 0}, {0, 0}, (20u << 6) + 63u};  // sub-pixel part is dropped
    text.glyphs['A'] = Character{bitmap, {10, 12}, {2, 9}, 14u << 6};
    TextTarget target;

    renderText(text, "A", 100.0f, 50.0f, 0.5f, glm::vec3(1.0f));
    std::vector<float> quad = lastGlyphQuad(text);
    EXPECT_FLOAT_EQ(quad[0], 101.0f);               // x + bearing.x * scale
    EXPECT_FLOAT_EQ(quad[5], 50.0f - 3.0f * 0.5f);  // y - (rows - bearing.y) * scale
    EXPECT_FLOAT_EQ(quad[1], quad[5] + 6.0f);
    EXPECT_FLOAT_EQ(quad[8], 106.0f);

    renderText(text, " A", 100.0f, 50.0f, 0.5f, glm::vec3(1.0f));
    EXPECT_FLOAT_EQ(lastGlyphQuad(text)[0], 111.0f);

    const char unknown = static_cast<char>(0x80);
    renderText(text, std::string(1, unknown) + "A", 100.0f, 50.0f, 0.5f, glm::vec3(1.0f));
    EXPECT_FLOAT_EQ(lastGlyphQuad(text)[0], 101.0f) << "an unknown code does not move the pen";
    ASSERT_EQ(text.glyphs.count(unknown), 1u);
    EXPECT_EQ(text.glyphs[unknown].advance, 0u);
    EXPECT_EQ(text.glyphs[unknown].size, glm::ivec2(0));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    glDeleteTextures(1, &bitmap);
}

TEST_F(OverlayTest, GlyphCoverageIsColouredByTextColor) {
    useWindowSize(64.0f, 32.0f);
    Shader hud = hudProgram();
    TextRenderer text(&hud);
    unsigned int full = solidGlyphTexture(8, 8, 255);
    unsigned int empty = solidGlyphTexture(8, 8, 0);
    text.glyphs['#'] = Character{full, {8, 8}, {0, 8}, 8u << 6};
    text.glyphs['.'] = Character{empty, {8, 8}, {0, 8}, 8u << 6};
    TextTarget target;
    renderText(text, "#.", 4.0f, 4.0f, 1.0f, glm::vec3(1.0f, 0.5f, 0.0f));
    std::vector<unsigned char> rgb = target.pixels();
    auto at = [&](int x, int y) { return std::vector<int>(rgb.begin() + (y * 64 + x) * 3, rgb.begin() + (y * 64 + x) * 3 + 3); };
    std::vector<int> covered = at(8, 8);
    EXPECT_NEAR(covered[0], 255, 1);
    EXPECT_NEAR(covered[1], 128, 1);
    EXPECT_NEAR(covered[2], 0, 1);
    EXPECT_EQ(at(16, 8), (std::vector<int>{0, 0, 0})) << "no coverage leaves the frame as it was";
    glDeleteTextures(1, &full);
    glDeleteTextures(1, &empty);
}

TEST_F(OverlayTest, NothingToDrawTouchesNoGlState) {
    useWindowSize(64.0f, 32.0f);
    Shader hud = hudProgram();
    TextRenderer text(&hud);
    Registry registry;
    showFps = false;

    TextTarget target;
    std::vector<unsigned char> before = target.pixels();
    unsigned int vao = 0, texture = solidGlyphTexture(2, 2, 9);
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glUseProgram(0);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_2D, texture);

    drawOverlay(text, registry);

    int program = -1, boundVao = -1, active = -1, boundTexture = -1, blendSrc = -1, arrayBuffer = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &boundVao);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
    glGetIntegerv(GL_BLEND_SRC_RGB, &blendSrc);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(program, 0);
    EXPECT_EQ(static_cast<unsigned int>(boundVao), vao);
    EXPECT_EQ(active, GL_TEXTURE3);
    EXPECT_EQ(static_cast<unsigned int>(boundTexture), texture);
    EXPECT_EQ(blendSrc, GL_ONE);
    EXPECT_EQ(arrayBuffer, 0);
    EXPECT_EQ(target.pixels(), before);

    glBindVertexArray(0);
    glDeleteVertexArrays(1, &vao);
    glDeleteTextures(1, &texture);
    glActiveTexture(GL_TEXTURE0);
}

TEST_F(OverlayTest, ShippedFontFillsTheTableAndDrawsTheFrameRate) {
    if (!std::filesystem::exists(FONT_PATH)) GTEST_SKIP() << "no shipped font yet";
    useWindowSize(400.0f, 200.0f);
    Shader hud = hudProgram();
    TextRenderer text(&hud);
    EXPECT_EQ(loadCaptured(text, FONT_PATH), "");
    EXPECT_EQ(text.glyphs.size(), 128u);
    const Character& space = text.glyphs[' '];
    EXPECT_EQ(space.size, glm::ivec2(0)) << "a space has no bitmap";
    EXPECT_GT(space.advance >> 6, 0u) << "but it moves the pen";
    const Character& six = text.glyphs['6'];
    EXPECT_GT(six.size.x, 0);
    EXPECT_GT(six.size.y, 0);
    EXPECT_LE(six.size.y, 60);
    glBindTexture(GL_TEXTURE_2D, six.textureID);
    int format = 0, width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_TRUE(format == GL_RED || format == GL_R8) << format;
    EXPECT_EQ(width, six.size.x);
    int alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 1);

    Registry registry;
    showFps = true;
    fps = 60.0f;
    TextTarget target;
    drawOverlay(text, registry);
    std::vector<unsigned char> rgb = target.pixels();
    EXPECT_GT(litPixels(rgb, 400, 376, 185, 400, 200), 10) << "text in the upper right corner";
    EXPECT_EQ(litPixels(rgb, 400, 0, 0, 370, 200), 0) << "and nowhere else";
    EXPECT_EQ(litPixels(rgb, 400, 0, 0, 400, 180), 0);
}

TEST_F(OverlayTest, MissingFontLeavesAnEmptyTableAndDrawsNothing) {
    useWindowSize(64.0f, 32.0f);
    Shader hud = hudProgram();
    TextRenderer text(&hud);
    text.glyphs['x'] = Character{};  // a table from before is emptied
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    EXPECT_EQ(loadCaptured(text, "Resources/fonts/no-such-font.otf"), "ERROR::FREETYPE: Failed to load font\n");
    EXPECT_TRUE(text.glyphs.empty());
    int alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 1) << "later uploads still rely on tight rows";

    Registry registry;
    showFps = true;
    fps = 60.0f;
    TextTarget target;
    drawOverlay(text, registry);
    std::vector<unsigned char> rgb = target.pixels();
    EXPECT_EQ(litPixels(rgb, 64, 0, 0, 64, 32), 0);
}
