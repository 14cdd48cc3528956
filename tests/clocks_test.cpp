// Animation clocks: one advance per frame whatever the light count; an animated light rides its node.
#include "world/clocks.h"

#include "assets/model.h"
#include "support/scene_builder.h"
#include "world/components.h"
#include "world/lights.h"
#include "world/placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

// A lantern whose "Bone" slides 10 ticks along x at 5 ticks a second (a 2 s loop) with its flame 0.5 above,
// and three more lights on it; the registry walks lights once per frame.
TEST(Clocks, EachFrameAdvancesOnceAndTheFlameFollowsTheWrappedClip) {
    auto scene = makeScene();
    addNode(addNode(scene->mRootNode, "Bone"), "Flame", translation(0, 0.5f, 0));
    for (const char* name : {"Flame", "Fixed0", "Fixed1", "Fixed2"})
        addLight(*scene, name, aiLightSource_POINT, aiVector3D(), aiColor3D(1, 1, 1));
    aiNodeAnim* slide = addChannel(*addAnimation(*scene, "swing", 10.0, 5.0), "Bone");
    addPositionKey(*slide, 0.0, aiVector3D(0, 1, 0));
    addPositionKey(*slide, 10.0, aiVector3D(10, 1, 0));
    Model lantern;
    Registry registry;
    Entity moving = registry.create(), stopped = registry.create();
    testing::internal::CaptureStdout();
    lantern.adoptScene(scene.get(), "memory/lantern");
    for (Entity e : {moving, stopped}) {
        registry.emplace<Drawable>(e, makeDrawable(&lantern, Shader{}));
        emplaceModelLights(lantern, registry, e, glm::vec3(0.0f), 0.01f, 100.0f, {0.6f, 0.8f, 0.9f}, true, 30);
    }
    testing::internal::GetCapturedStdout();
    registry.get<Drawable>(stopped).animated = false;
    auto flame = [&](Entity owner) {
        glm::vec3 p(-1.0f);
        forEachLight(registry, [&](Entity l, LightSource& s) {
            if (s.mName == "Flame" && lightOwner(registry, l) == owner) p = s.mPosition;
        });
        return p;
    };

    float expected = 0.0f;
    for (int n = 1; n <= 37; ++n) {
        advanceAnimationClocks(registry, 0.1f);
        gatherLights(registry);
        expected += 0.1f;
        ASSERT_EQ(registry.get<Drawable>(moving).animationTime, expected) << "frame " << n;
        // By hand: x is the clip time in ticks, wrapped into the 10-tick loop; y is bone 1 + flame 0.5.
        // On the seam itself either end of the loop is right.
        const float off = std::fabs(flame(moving).x - static_cast<float>(std::fmod(5.0 * expected, 10.0)));
        EXPECT_LT(std::min(off, 10.0f - off), 1e-3f) << "frame " << n;
        EXPECT_NEAR(flame(moving).y, 1.5f, 1e-5f) << "frame " << n;
    }
    EXPECT_EQ(registry.get<Drawable>(moving).cameraTime, 0.0f) << "the camera clock is the camera system's";
    EXPECT_EQ(registry.get<Drawable>(stopped).animationTime, 0.0f);
    EXPECT_NEAR(flame(stopped).x, 0.0f, 1e-5f) << "a stopped model's light stays at the clip's start";
}
