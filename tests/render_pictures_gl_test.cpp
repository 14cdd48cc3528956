// Pictures of a tiny world of our own: each of shadows, normal mapping and volumetric light, switched off,
// changes the picture where it shows and leaves the rest as it was.
#include "tiny_scene.h"

#include "support/gl_context.h"

#include <gtest/gtest.h>

namespace {

constexpr int W = 160;
constexpr int H = 120;

using RenderPictures = GlTest;

// A point of the world, and whether switching a feature off should change it.
struct Spot {
    const char* name;
    glm::vec3 point;
    bool changes;
};

// With the feature on and off: the spots that change differ by more than a share of the brighter, the others
// by no more than the dither.
void expectChangesOnlyAt(const tiny::Scene& scene, const tiny::Picture& on, const tiny::Picture& off,
                         const std::vector<Spot>& spots, float share) {
    for (const Spot& s : spots) {
        const glm::ivec2 p = scene.pixelOf(s.point);
        const float a = on.around(p), b = off.around(p);
        if (s.changes)
            EXPECT_GT(std::abs(a - b), share * std::max(a, b)) << s.name << ": on " << a << ", off " << b;
        else
            EXPECT_LE(std::abs(a - b), 0.03f * std::max(a, b) + 1.0f) << s.name << ": on " << a << ", off " << b;
    }
}

}  // namespace

TEST_F(RenderPictures, ShadowsDarkenTheFloorBehindABoxAndNothingElse) {
    // A 12 x 12 floor, a 1 m box at the origin, a thin upright panel to its right, a light before and above.
    tiny::Scene scene(W, H);
    scene.addEntity(scene.addModel({tiny::quad("floor", {-6, 0, 6}, {12, 0, 0}, {0, 0, -12})}));
    scene.addEntity(scene.addModel(tiny::box("box", {-0.5f, 0.0f, -0.5f}, {0.5f, 1.0f, 0.5f})));
    scene.addEntity(scene.addModel(tiny::box("panel", {2.5f, 0.0f, -0.01f}, {3.5f, 1.0f, 0.01f})));
    scene.addLight({0.0f, 2.0f, 2.0f});
    scene.lookAt({0.0f, 5.0f, 4.0f}, {0.0f, 0.0f, -1.0f});
    const tiny::Picture on = scene.render();
    shadowsEnabled = false;
    const tiny::Picture off = scene.render();
    // Open floor near and far, at steep and grazing angles: no acne, no light taken away.
    expectChangesOnlyAt(scene, on, off,
                        {{"behind the box", {0.0f, 0.0f, -2.4f}, true},
                         {"near left", {-2.0f, 0, 1.0f}, false},
                         {"near right", {2.0f, 0, 0.5f}, false},
                         {"far left", {-3.0f, 0, -3.5f}, false},
                         {"far right", {3.5f, 0, -4.0f}, false},
                         {"under the light", {0.0f, 0, 1.2f}, false}},
                        0.3f);

    // A few centimetres behind the foot of the thin panel, seen from behind: no light leaks under it.
    scene.lookAt({3.0f, 2.0f, -3.0f}, {3.0f, 0.0f, -0.3f});
    const tiny::Picture leakOff = scene.render();
    shadowsEnabled = true;
    const tiny::Picture leakOn = scene.render();
    const glm::ivec2 foot = scene.pixelOf({3.0f, 0.0f, -0.06f});
    EXPECT_LT(leakOn.around(foot, 1), 0.6f * leakOff.around(foot, 1));
}

TEST_F(RenderPictures, NormalMappingReshadesOnlyTheSurfaceWhoseMapTiltsItsNormals) {
    tiny::Scene scene(W, H);
    // The right wall's map tilts every normal 45 degrees toward +x, away from the light; the left one's is flat.
    tiny::writeTexture(scene.dir + "/tilted.png", glm::u8vec3(218, 128, 218));
    scene.addEntity(scene.addModel({tiny::quad("left", {-2.1f, -1.5f, 0}, {2, 0, 0}, {0, 3, 0})}));
    scene.addEntity(scene.addModel({tiny::quad("right", {0.1f, -1.5f, 0}, {2, 0, 0}, {0, 3, 0})}, "white.png",
                                   "tilted.png"));
    scene.addLight({0.0f, 0.0f, 1.5f}, glm::vec3(0.3f));  // dim enough that nothing saturates
    scene.lookAt({0.0f, 0.0f, 3.0f}, {0.0f, 0.0f, 0.0f});
    const tiny::Picture on = scene.render();
    normalMappingEnabled = false;
    const tiny::Picture off = scene.render();
    expectChangesOnlyAt(scene, on, off,
                        {{"tilted wall", {1.1f, 0.0f, 0.0f}, true}, {"flat wall", {-1.1f, 0.0f, 0.0f}, false}},
                        0.1f);
    const glm::ivec2 tilted = scene.pixelOf({1.1f, 0.0f, 0.0f});
    EXPECT_LT(on.around(tilted), off.around(tilted)) << "normals turned from the light catch less of it";
}

TEST_F(RenderPictures, VolumetricLightGlowsAroundTheVolumetricLightOnly) {
    // A back wall, a volumetric light on the left and a plain one on the right, as far from the camera.
    tiny::Scene scene(W, H);
    scene.addEntity(scene.addModel({tiny::quad("wall", {-8, -6, -6}, {16, 0, 0}, {0, 12, 0})}));
    LightSource& candle = scene.addLight({-1.5f, 0.0f, -1.0f}, glm::vec3(0.2f));
    candle.volumetric = true;
    candle.mPhi = 700.0f;
    candle.mTau = 0.05f;
    candle.mNrSamples = 20;
    scene.addLight({1.5f, 0.0f, -1.0f}, glm::vec3(0.2f)).mPhi = 700.0f;
    scene.lookAt({0.0f, 0.0f, 2.0f}, {0.0f, 0.0f, -1.0f});
    const tiny::Picture on = scene.frame();
    volumetricEnabled = false;
    const tiny::Picture off = scene.frame();
    expectChangesOnlyAt(scene, on, off,
                        {{"around the volumetric light", {-1.5f, 0.0f, -1.0f}, true},
                         {"around the plain light", {1.5f, 0.0f, -1.0f}, false}},
                        0.2f);
    const glm::ivec2 glow = scene.pixelOf({-1.5f, 0.0f, -1.0f});
    EXPECT_GT(on.around(glow), off.around(glow)) << "the air around the light is brighter";
}

TEST_F(RenderPictures, DarkGradientsAreDitheredNotBanded) {
    // A weak light leaves a smooth, dark gradient across a wall; along one row neighbouring pixels differ a
    // little everywhere instead of in long flat runs.
    tiny::Scene scene(W, H);
    scene.addEntity(scene.addModel({tiny::quad("wall", {-2, -1.5f, 0}, {4, 0, 0}, {0, 3, 0})}));
    scene.addLight({0.0f, 0.0f, 1.5f}, glm::vec3(0.05f));
    scene.lookAt({0.0f, 0.0f, 2.0f}, {0.0f, 0.0f, 0.0f});
    const tiny::Picture picture = scene.render();
    int longestRun = 0, run = 0;
    for (int x = scene.pixelOf({-1.9f, 0, 0}).x + 1; x < scene.pixelOf({1.9f, 0, 0}).x; ++x) {
        run = picture.luminance(x, H / 2) == picture.luminance(x - 1, H / 2) ? run + 1 : 0;
        longestRun = std::max(longestRun, run);
    }
    EXPECT_LT(longestRun, 12);
}
