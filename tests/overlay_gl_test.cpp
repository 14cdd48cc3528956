// Overlay: the frame-rate text, drawn with the shipped font in the upper right corner only while F3 has it on.
#include "core/frame_rate.h"
#include "core/toggles.h"
#include "render/overlay.h"
#include "support/gl_context.h"
#include "support/gl_probe.h"
#include "world/registry.h"

#include <sstream>

namespace {

struct Overlay : GlTest {
    Shader hud{"Resources/shader/hudVertex.shader", "Resources/shader/hudFragment.shader", NO_GEOMETRY};
    Registry registry;

    // What loading the font printed.
    std::string load(TextRenderer& text, const std::string& path) {
        std::stringstream captured;
        std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
        loadFont(text, path);
        std::cout.rdbuf(old);
        return captured.str();
    }
};

}  // namespace

TEST_F(Overlay, FrameRateTextCutsTowardZero) {
    const std::pair<float, const char*> cases[] = {{60.0f, "60 fps"}, {59.99f, "59 fps"}, {0.5f, "0 fps"}};
    for (const auto& [rate, text] : cases) EXPECT_EQ(fpsText(rate), text) << rate;
}

TEST_F(Overlay, TheShippedFontDrawsTheFrameRateInTheUpperRightOnlyWhileShown) {
    useWindowSize(400.0f, 200.0f);
    TextRenderer text(&hud);
    ASSERT_EQ(load(text, FONT_PATH), "") << FONT_PATH;
    fps = 60.0f;
    for (bool shown : {true, false}) {
        showFps = shown;
        ColourTarget window(400, 200);
        glDisable(GL_BLEND);
        glUseProgram(0);
        drawOverlay(text, registry);
        if (shown) {
            EXPECT_GT(window.litPixels(376, 185, 400, 200), 10) << "text in the upper right corner";
        } else {
            EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "with nothing to draw no GL state changes";
            GLint program = -1;
            glGetIntegerv(GL_CURRENT_PROGRAM, &program);
            EXPECT_EQ(program, 0);
        }
        EXPECT_EQ(window.litPixels(0, 0, 370, 200), 0) << "shown " << shown;
        EXPECT_EQ(window.litPixels(370, 0, 400, shown ? 180 : 200), 0) << "shown " << shown;
    }
}

TEST_F(Overlay, AMissingFontIsReportedAndDrawsNothing) {
    useWindowSize(64.0f, 32.0f);
    TextRenderer text(&hud);
    EXPECT_EQ(load(text, "Resources/fonts/no-such-font.otf"), "ERROR::FREETYPE: Failed to load font\n");
    EXPECT_TRUE(text.glyphs.empty());
    showFps = true;
    ColourTarget window(64, 32);
    drawOverlay(text, registry);
    EXPECT_EQ(window.litPixels(0, 0, 64, 32), 0);
}
