// Pictures of a tiny world of our own through the frame's passes: each of shadows, normal mapping and
// volumetric light, switched off, changes the picture where it shows and leaves the rest as it was; the sky
// and the frame-rate text show where they belong.
#include "tiny_scene.h"

#include "core/frame_rate.h"
#include "support/gl_context.h"

#include <gtest/gtest.h>

namespace {

constexpr int W = 160, H = 120;

using RenderPictures = GlTest;

// A point of the world, and what the feature does there: darkens (-1), brightens (+1) or leaves it (0).
struct Spot {
    const char* name;
    glm::vec3 point;
    int change;
};

// With the feature on and off: the spots that change differ that way by more than a share of the brighter,
// the others by no more than the dither.
void expectChangesOnlyAt(const tiny::Scene& scene, const tiny::Picture& on, const tiny::Picture& off,
                         const std::vector<Spot>& spots, float share) {
    for (const Spot& s : spots) {
        const glm::ivec2 p = scene.pixelOf(s.point);
        const float a = on.around(p), b = off.around(p);
        const float brighter = std::max(a, b);
        EXPECT_TRUE(s.change ? s.change * (a - b) > share * brighter : std::abs(a - b) <= 0.03f * brighter + 1.0f)
            << s.name << ": on " << a << ", off " << b;
    }
}

}  // namespace

TEST_F(RenderPictures, ShadowsDarkenTheFloorBehindABoxAndNothingElse) {
    // A 12 x 12 floor, a 1 m box at the origin, a thin upright panel to its right, a light before and above
    // (and one far away that hardly adds anything).
    tiny::Scene scene(W, H);
    scene.addEntity(scene.addModel({tiny::quad("floor", {-6, 0, 6}, {12, 0, 0}, {0, 0, -12})}));
    scene.addEntity(scene.addModel(tiny::box("box", {-0.5f, 0.0f, -0.5f}, {0.5f, 1.0f, 0.5f})));
    scene.addEntity(scene.addModel(tiny::box("panel", {2.5f, 0.0f, -0.01f}, {3.5f, 1.0f, 0.01f})));
    scene.addLight({0.0f, 2.0f, 2.0f});
    scene.addLight({0.0f, 40.0f, 0.0f}, glm::vec3(0.01f));  // created last: cube 0, so the shadow is cube 1's
    scene.lookAt({0.0f, 5.0f, 4.0f}, {0.0f, 0.0f, -1.0f});
    const tiny::Picture on = scene.frame();
    shadowsEnabled = false;
    const tiny::Picture off = scene.frame();
    // Open floor near and far, at steep and grazing angles: no acne, no light taken away.
    expectChangesOnlyAt(scene, on, off,
                        {{"behind the box", {0.0f, 0.0f, -2.4f}, -1}, {"under the light", {0.0f, 0, 1.2f}, 0},
                         {"near left", {-2.0f, 0, 1.0f}, 0}, {"near right", {2.0f, 0, 0.5f}, 0},
                         {"far left", {-3.0f, 0, -3.5f}, 0}, {"far right", {3.5f, 0, -4.0f}, 0}},
                        0.3f);

    // A few centimetres behind the foot of the thin panel, seen from behind: no light leaks under it.
    scene.lookAt({3.0f, 2.0f, -3.0f}, {3.0f, 0.0f, -0.3f});
    const tiny::Picture leakOff = scene.frame();
    shadowsEnabled = true;
    expectChangesOnlyAt(scene, scene.frame(), leakOff, {{"behind the panel's foot", {3.0f, 0.0f, -0.06f}, -1}}, 0.3f);
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
    const tiny::Picture on = scene.frame();
    normalMappingEnabled = false;
    const tiny::Picture off = scene.frame();
    expectChangesOnlyAt(scene, on, off,
                        {{"tilted wall", {1.1f, 0.0f, 0.0f}, -1}, {"flat wall", {-1.1f, 0.0f, 0.0f}, 0}},
                        0.1f);
}

TEST_F(RenderPictures, VolumetricLightGlowsAroundTheVolumetricLightOnly) {
    // A back wall and two lights alike but for the volumetric mark, the marked one on the left.
    tiny::Scene scene(W, H);
    scene.addEntity(scene.addModel({tiny::quad("wall", {-8, -6, -6}, {16, 0, 0}, {0, 12, 0})}));
    for (const float x : {-1.5f, 1.5f}) {
        LightSource& light = scene.addLight({x, 0.0f, -1.0f}, glm::vec3(0.2f));
        light.volumetric = x < 0.0f;
        light.mPhi = 700.0f;
        light.mTau = 0.05f;
        light.mNrSamples = 20;
    }
    scene.lookAt({0.0f, 0.0f, 2.0f}, {0.0f, 0.0f, -1.0f});
    const tiny::Picture on = scene.frame();
    volumetricEnabled = false;
    const tiny::Picture off = scene.frame();
    expectChangesOnlyAt(scene, on, off,
                        {{"around the volumetric light", {-1.5f, 0.0f, -1.0f}, 1},
                         {"around the plain light", {1.5f, 0.0f, -1.0f}, 0}},
                        0.2f);
}

TEST_F(RenderPictures, TheSkyShowsBehindTheSceneAndNeverMovesWithTheCamera) {
    tiny::Scene scene(W, H);
    scene.addEntity(scene.addModel(tiny::box("box", glm::vec3(-0.5f), glm::vec3(0.5f))));
    scene.addLight({0.0f, 0.0f, 2.0f});
    const glm::ivec2 corner(8, H - 8);
    scene.lookAt({0.0f, 0.0f, 3.0f}, {0.0f, 0.0f, 0.0f});
    const tiny::Picture here = scene.frame();
    scene.lookAt({0.5f, 0.0f, 3.0f}, {0.5f, 0.0f, 0.0f});  // moved, not turned
    const tiny::Picture moved = scene.frame();
    const unsigned char* sky = &here.rgb[(corner.y * W + corner.x) * 3];
    EXPECT_FALSE(sky[0] == 26 && sky[1] == 51 && sky[2] == 77) << "the scene's clear colour, not the sky";
    EXPECT_EQ(here.around(corner), moved.around(corner));
    EXPECT_GT(here.around(scene.pixelOf({0.0f, 0.0f, 0.5f})), here.around(corner) + 40.0f)
        << "the lit box stands in front of the sky";
}

TEST_F(RenderPictures, TheFrameRateIsDrawnInTheUpperRightCornerOnlyWhileShown) {
    tiny::Scene scene(400, 200);  // nothing but the sky
    scene.lookAt({0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f});
    fps = 60.0f;
    showFps = true;
    const tiny::Picture shown = scene.frame();
    showFps = false;
    const tiny::Picture hidden = scene.frame();
    int inCorner = 0, elsewhere = 0;
    for (std::size_t i = 0; i < shown.rgb.size(); ++i) {
        const bool corner = i / 3 % 400 >= 370 && i / 3 / 400 >= 180;
        (corner ? inCorner : elsewhere) += shown.rgb[i] != hidden.rgb[i] ? 1 : 0;
    }
    EXPECT_GT(inCorner, 10) << "no frame-rate text";
    EXPECT_EQ(elsewhere, 0);
}
