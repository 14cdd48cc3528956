// Animation clocks: one advance per frame whatever the light count; lights ride their nodes.
#include "world/clocks.h"

#include "animation/hierarchy.h"
#include "assets/model.h"
#include "light_scenes.h"
#include "world/components.h"
#include "world/lights.h"

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include <cmath>

using namespace light_scenes;

namespace {

// A lantern whose "Bone" slides 10 ticks along x at 5 ticks a second (a 2 s loop), its flame 0.5
// above it, and three lights on fixed nodes; and a candle without animation.
struct ClockWorld : ::testing::Test {
    std::unique_ptr<aiScene> lanternScene = emptyScene();
    std::unique_ptr<aiScene> candleScene = emptyScene();
    Model lantern, candle;
    Registry registry;
    Entity lanternEntity{}, candleEntity{};

    void SetUp() override {
        aiNode* bone = addNode(lanternScene->mRootNode, "Bone");
        addNode(bone, "Flame", glm::translate(glm::mat4(1.0f), {0.0f, 0.5f, 0.0f}));
        addLight(*lanternScene, "Flame");
        for (int i = 0; i < 3; ++i) {
            std::string name = "Fixed" + std::to_string(i);
            addNode(lanternScene->mRootNode, name, glm::translate(glm::mat4(1.0f), {float(i), 2.0f, 0.0f}));
            addLight(*lanternScene, name);
        }
        addSlide(*lanternScene, "Bone", 10.0, 5.0, 0.0f, 1.0f);
        addNode(candleScene->mRootNode, "Candle", glm::translate(glm::mat4(1.0f), {3.2f, 0.3f, -12.0f}));
        addLight(*candleScene, "Candle");

        testing::internal::CaptureStdout();
        lantern.adoptScene(lanternScene.get(), "memory/lantern");
        candle.adoptScene(candleScene.get(), "memory/candle");
        candleEntity = registry.create();
        registry.emplace<Drawable>(candleEntity, makeDrawable(&candle, Shader{}));
        emplaceModelLights(candle, registry, candleEntity, glm::vec3(0.0f), 0.05f, 700.0f, {0.6f, 0.8f, 0.8f},
                           true, 20);
        lanternEntity = registry.create();
        registry.emplace<Drawable>(lanternEntity, makeDrawable(&lantern, Shader{}));
        emplaceModelLights(lantern, registry, lanternEntity, glm::vec3(0.0f), 0.01f, 100.0f, {0.6f, 0.8f, 0.9f},
                           true, 30);
        testing::internal::GetCapturedStdout();
    }

    // The clock part of one frame: advance once, then the shadow block moves the lights.
    void frame(float deltaTime) {
        advanceAnimationClocks(registry, deltaTime);
        animateLights(registry);
    }

    LightSource& light(const std::string& name) {
        LightSource* found = nullptr;
        forEachLight(registry, [&](Entity, LightSource& l) {
            if (l.mName == name) found = &l;
        });
        return *found;
    }
};

}  // namespace

TEST_F(ClockWorld, AnimatedTimeGrowsByDeltaTimeOncePerFrameWithFourLights) {
    int lanternLights = 0;
    forEachLight(registry, [&](Entity l, LightSource&) {
        if (lightOwner(registry, l) == lanternEntity) ++lanternLights;
    });
    ASSERT_EQ(lanternLights, 4);

    float expected = 0.0f;
    for (int i = 0; i < 25; ++i) {
        frame(0.016f);
        expected += 0.016f;
        ASSERT_EQ(registry.get<Drawable>(lanternEntity).animationTime, expected) << "frame " << i;
    }
    // The camera clock is the camera system's, not touched here.
    EXPECT_EQ(registry.get<Drawable>(lanternEntity).cameraTime, 0.0f);
}

TEST_F(ClockWorld, StoppedDrawableKeepsItsTime) {
    registry.get<Drawable>(lanternEntity).animated = false;
    for (int i = 0; i < 10; ++i) frame(0.1f);
    EXPECT_EQ(registry.get<Drawable>(lanternEntity).animationTime, 0.0f);
    EXPECT_NEAR(light("Flame").mPosition.x, 0.0f, 1e-5f);
}

TEST_F(ClockWorld, LanternLightFollowsItsNodeAtTheWrappedClipTime) {
    const aiAnimation& clip = *lantern.chosenAnimation();
    for (int n = 1; n <= 37; ++n) {
        frame(0.1f);
        float seconds = registry.get<Drawable>(lanternEntity).animationTime;
        glm::mat4 node(1.0f);
        ASSERT_TRUE(lantern.nodeGlobalTransform(node, animationTicks(clip, seconds), "Flame"));
        glm::vec3 p = light("Flame").mPosition;
        EXPECT_EQ(p, glm::vec3(node[3])) << "frame " << n;
        // By hand: x = ticks wrapped into the 10-tick loop, y = bone height 1 + flame 0.5.
        float ticks = static_cast<float>(std::fmod(5.0 * seconds, 10.0));
        EXPECT_NEAR(p.x, ticks, 1e-4f) << "frame " << n;
        EXPECT_NEAR(p.y, 1.5f, 1e-5f);
    }
    // 3.7 s is 18.5 ticks: past the clip's end the light is back near its start, not off the path.
    EXPECT_NEAR(light("Flame").mPosition.x, 8.5f, 1e-3f);
}

TEST_F(ClockWorld, UnanimatedLightNeverMovesAndFixedNodesStayPut) {
    const glm::vec3 candleStart = light("Candle").mPosition;
    EXPECT_NEAR(candleStart.x, 3.2f, 1e-5f);
    EXPECT_FALSE(light("Candle").animated);
    for (int i = 0; i < 50; ++i) frame(0.05f);
    EXPECT_EQ(light("Candle").mPosition, candleStart);
    EXPECT_TRUE(light("Fixed2").animated);
    EXPECT_NEAR(light("Fixed2").mPosition.x, 2.0f, 1e-5f);
    EXPECT_NEAR(light("Fixed2").mPosition.y, 2.0f, 1e-5f);
}
