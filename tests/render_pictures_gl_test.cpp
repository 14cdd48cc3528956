// Pictures of a tiny world of our own: a box's shadow on the floor, and normal mapping.
#include "tiny_scene.h"

#include "core/toggles.h"
#include "support/gl_context.h"

#include <gtest/gtest.h>

namespace {

constexpr int W = 160;
constexpr int H = 120;

// A 12 x 12 floor, a 1 m box at the origin, a thin upright panel to its right and one light in front of
// and above them.
struct BoxOnFloor : GlTest {
    std::unique_ptr<tiny::Scene> scene;
    void SetUp() override {
        GlTest::SetUp();
        scene = std::make_unique<tiny::Scene>(W, H);
        Model& floor = scene->addModel({tiny::quad("floor", {-6, 0, 6}, {12, 0, 0}, {0, 0, -12})});
        Model& box = scene->addModel(tiny::box("box", {-0.5f, 0.0f, -0.5f}, {0.5f, 1.0f, 0.5f}));
        scene->addEntity(floor);
        scene->addEntity(box);
        Model& panel = scene->addModel(tiny::box("panel", {2.5f, 0.0f, -0.01f}, {3.5f, 1.0f, 0.01f}));
        scene->addEntity(panel);
        scene->addLight({0.0f, 2.0f, 2.0f});
        // From high up behind the light, looking down past the box.
        scene->lookAt({0.0f, 5.0f, 4.0f}, {0.0f, 0.0f, -1.0f});
        shadowsEnabled = true;
        normalMappingEnabled = true;
    }
};

}  // namespace

TEST_F(BoxOnFloor, TheFloorBehindTheBoxIsInShadowOnlyWithShadowsOn) {
    // Behind the box as seen from the light (and in view past its top), and as far to the side of it.
    const glm::ivec2 behind = scene->pixelOf({0.0f, 0.0f, -2.4f});
    const glm::ivec2 beside = scene->pixelOf({2.4f, 0.0f, -2.4f});

    tiny::Picture on = scene->render();
    // In linear light the shadow keeps less than half of the light; what is left is the rooms' fill.
    EXPECT_LT(tiny::linearLight(on.around(behind.x, behind.y)),
              0.5f * tiny::linearLight(on.around(beside.x, beside.y)));

    shadowsEnabled = false;
    tiny::Picture off = scene->render();
    // Unshadowed, the point behind is nearer the light than the one beside it, so at least as bright.
    EXPECT_GT(off.around(behind.x, behind.y), 0.95f * off.around(beside.x, beside.y));
}

TEST_F(BoxOnFloor, LitFloorShowsNoAcneAndNoLightLeaksUnderAThinPanel) {
    tiny::Picture on = scene->render();
    shadowsEnabled = false;
    tiny::Picture off = scene->render();
    shadowsEnabled = true;
    // Open floor, near and far from the light, at steep and grazing angles: shadowing takes nothing away.
    for (glm::vec3 p : {glm::vec3(-2.0f, 0, 1.0f), glm::vec3(2.0f, 0, 0.5f), glm::vec3(-3.0f, 0, -3.5f),
                        glm::vec3(3.5f, 0, -4.0f), glm::vec3(0.0f, 0, 1.2f)}) {
        const glm::ivec2 px = scene->pixelOf(p);
        EXPECT_NEAR(on.around(px.x, px.y), off.around(px.x, px.y), 0.04f * off.around(px.x, px.y) + 1.0f)
            << "at " << p.x << ", " << p.z;
    }
    // A few centimetres behind the foot of the thin panel, seen from behind: no light leaks under it.
    scene->lookAt({3.0f, 2.0f, -3.0f}, {3.0f, 0.0f, -0.3f});
    on = scene->render();
    shadowsEnabled = false;
    off = scene->render();
    const glm::ivec2 foot = scene->pixelOf({3.0f, 0.0f, -0.06f});
    EXPECT_LT(on.around(foot.x, foot.y, 1), 0.6f * off.around(foot.x, foot.y, 1));
}

namespace {

// A wall facing the camera whose normal map tilts every normal 45 degrees to the side.
struct NormalMappedWall : GlTest {
    std::unique_ptr<tiny::Scene> scene;
    void SetUp() override {
        GlTest::SetUp();
        scene = std::make_unique<tiny::Scene>(W, H);
        tiny::writeTexture(scene->dir + "/tilted.png", 8, 8, [](int, int) { return glm::u8vec3(218, 128, 218); });
        Model& wall = scene->addModel({tiny::quad("wall", {-2, -1.5f, 0}, {4, 0, 0}, {0, 3, 0})}, "white.png",
                                      "tilted.png");
        scene->addEntity(wall);
        // Dim enough that neither picture saturates.
        scene->addLight({0.0f, 0.0f, 1.5f}, glm::vec3(0.3f));
        scene->lookAt({0.0f, 0.0f, 2.0f}, {0.0f, 0.0f, 0.0f});
    }
};

}  // namespace

TEST_F(NormalMappedWall, ShadesDifferentlyWithNormalMappingOnAndOff) {
    const glm::ivec2 centre = scene->pixelOf({0.0f, 0.0f, 0.0f});
    normalMappingEnabled = true;
    const float mapped = scene->render().around(centre.x, centre.y);
    normalMappingEnabled = false;
    const float plain = scene->render().around(centre.x, centre.y);
    // The light faces the wall head on: tilted normals catch less of it.
    EXPECT_LT(mapped, 0.9f * plain);
    EXPECT_GT(mapped, 0.0f);
}

TEST_F(NormalMappedWall, DarkGradientsAreDitheredNotBanded) {
    // A weak light far off leaves a smooth, dark gradient across the wall.
    scene->registry.get<LightSource>(scene->registry.view<LightSource>().front()).mColorDiffuse = glm::vec3(0.05f);
    normalMappingEnabled = false;
    tiny::Picture picture = scene->render();
    // Along one row, neighbouring pixels differ a little everywhere instead of in long flat runs.
    const int y = H / 2;
    const int left = scene->pixelOf({-1.9f, 0.0f, 0.0f}).x;
    const int right = scene->pixelOf({1.9f, 0.0f, 0.0f}).x;
    int longestRun = 0, run = 0;
    for (int x = left + 1; x < right; ++x) {
        run = picture.luminance(x, y) == picture.luminance(x - 1, y) ? run + 1 : 0;
        longestRun = std::max(longestRun, run);
    }
    EXPECT_LT(longestRun, 12);
}
