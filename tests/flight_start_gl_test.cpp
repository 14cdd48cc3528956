// Start-up does the first frames' one-time work: the flight's programs built and drawn, the still lights'
// static depth drawn and its visibility asked and answered, and the first frame left its own design's work.
#include "app/input.h"
#include "app/offscreen.h"
#include "core/gl.h"
#include "core/gl_debug.h"
#include "core/shader.h"
#include "render/frame.h"
#include "render/light_visibility.h"
#include "render/shadow_cache.h"
#include "support/program_values.h"
#include "world/components.h"
#include "world/lights.h"

#include <gtest/gtest.h>

namespace {

// The real game opened small in a hidden window; each test opens its own.
struct FlightStart : ProgramValuesTest {
    OffscreenGame game;
    int errorsBefore = 0;

    void SetUp() override {
        errorsBefore = glErrorsReported();
        openOffscreenGame(game, 160, 90);
    }
    void TearDown() override {
        shutdownRenderer(game.renderer);
        EXPECT_EQ(glErrorsReported(), errorsBefore) << "GL reported errors (the lines above)";
        ProgramValuesTest::TearDown();
    }
    void frameAt(float t) {
        setFlightTime(game.registry, t);
        renderFrame(game.renderer, game.registry, 0.0f);
    }
};

}  // namespace

TEST_F(FlightStart, TheFirstFrameStillFindsTheLightsCamerasAndBlendingAsStartUpLeavesThem) {
    Registry& registry = game.registry;
    EXPECT_FALSE(game.renderer.shadowsInitialised);
    int lights = 0;
    registry.each<LightSource>([&](Entity, LightSource& light) {
        EXPECT_EQ(light.mLightID, -1) << light.mName;
        EXPECT_TRUE(light.shadowTransforms.empty()) << light.mName;
        ++lights;
    });
    ASSERT_GT(lights, 1) << "the scene has no lights to prepare";
    registry.each<Camera>([&](Entity, Camera& camera) { EXPECT_EQ(camera.view, glm::mat4(0.0f)); });
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    // The first frame gives the cubes out, last created first, as the preparation did.
    renderFrame(game.renderer, registry, 0.0f);
    int walked = 0;
    registry.each<LightSource>([&](Entity, LightSource& light) { EXPECT_EQ(light.mLightID, walked++) << light.mName; });
}

TEST_F(FlightStart, TheStillLightsDepthIsDrawnAndAnsweredBeforeTheFirstFrame) {
    const ShadowCache& cache = *game.renderer.shadowCache;
    const LightVisibility& visibility = *game.renderer.lightVisibility;
    int still = 0, cube = 0;
    game.registry.each<LightSource>([&](Entity, LightSource& light) {
        const int mine = cube++;
        if (mine >= MAX_LIGHTS || light.animated) return;
        ++still;
        EXPECT_TRUE(staticDepthCurrent(cache, mine, faceCulling)) << "cube " << mine << " " << light.mName;
        EXPECT_TRUE(visibility.asked[static_cast<std::size_t>(mine)]) << "cube " << mine << " " << light.mName;
    });
    ASSERT_GT(still, 0);
    EXPECT_TRUE(visibility.pending.empty()) << "answers left to read in the flight";
    EXPECT_FALSE(visibility.hidden.empty()) << "no mesh came out hidden from any light";
}

TEST_F(FlightStart, TheFlightBuildsNoProgramAcrossItsMomentsAndTwoPressesOfF2) {
    const int built = programsBuilt();
    for (const float t : {0.0f, 2.0f, 10.0f, 20.0f, 30.0f, 45.0f, 51.5f, 53.0f, 60.0f}) frameAt(t);
    for (int press = 0; press < 2; ++press) {
        keyCallback(game.renderer.window, GLFW_KEY_F2, 0, GLFW_RELEASE, 0);
        frameAt(20.0f);
        frameAt(20.0f);
    }
    EXPECT_EQ(programsBuilt(), built) << "programs built after start-up";
}
