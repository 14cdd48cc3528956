// Pictures of a tiny world of our own through the frame's passes: each of shadows, normal mapping and
// volumetric light, switched off, changes the picture where it shows and leaves the rest as it was; the
// frame-rate text shows where it belongs. The sky is held by the reference pictures, whose outdoor moments it
// fills.
#include "support/tiny_scene.h"

#include "core/frame_rate.h"
#include "support/gl_context.h"

#include <gtest/gtest.h>

namespace {

constexpr int W = 160, H = 120;

using RenderPictures = GlTest;

// A point of the world, and what the feature does there: darkens (-1), brightens (+1) or leaves it (0).
struct Spot { const char* name; glm::vec3 point; int change; };

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

TEST_F(RenderPictures, AFarLightsSoftLightIsTheSameWorkedOutPerVertexAsPerPixel) {
    // A strong light 35 m above a 12 m floor, beyond its reach: only its soft light arrives. Over a floor
    // of small squares the vertex stage works it out; over one quad of two long triangles it bends too much
    // for that and the pixels work it out. A dim near light, created last, takes the first place of the list.
    tiny::Scene scene(W, H);
    std::vector<aiMesh*> tiles;  // 0.5 m squares, each a mesh of its own
    for (int i = 0; i < 24 * 24; ++i)
        tiles.push_back(makeQuad("tile", {0.5f * (i % 24) - 6, 0, 6 - 0.5f * (i / 24)}, {0.5f, 0, 0}, {0, 0, -0.5f}));
    Model& squares = scene.addModel(tiles);
    Model& quad = scene.addModel({makeQuad("floor", {-6, 0, 6}, {12, 0, 0}, {0, 0, -12})});
    scene.addLight({0.0f, 35.0f, 0.0f}, glm::vec3(330.0f), {1.0f, 0.0f, 330.0f});
    scene.addLight({0.0f, 1.5f, 3.0f}, glm::vec3(0.05f));
    scene.lookAt({0.0f, 6.0f, 5.0f}, {0.0f, 0.0f, 0.0f});
    Entity floor = scene.addEntity(quad);
    const tiny::Picture perPixel = scene.frame();
    scene.registry.destroy(floor);
    floor = scene.addEntity(squares);
    const tiny::Picture perVertex = scene.frame();
    // The strong light put out, found by its colour: adding a light moves the lights' storage.
    forEachLight(scene.registry, [](Entity, LightSource& light) {
        if (light.mColorDiffuse.r > 1.0f) light.mColorDiffuse = glm::vec3(0.0f);
    });
    const tiny::Picture unlit = scene.frame();
    for (const glm::vec3& spot : {glm::vec3(0, 0, 0), glm::vec3(-4, 0, 3), glm::vec3(4, 0, -4), glm::vec3(2, 0, 4)}) {
        const glm::ivec2 p = scene.pixelOf(spot);
        EXPECT_NEAR(perVertex.around(p), perPixel.around(p), 0.5f) << "at " << spot.x << ", " << spot.z;
        EXPECT_GT(perVertex.around(p), unlit.around(p) + 10.0f) << "the far light's soft light is missing";
    }
}

TEST_F(RenderPictures, ShadowsDarkenTheFloorBehindABoxAndNothingElse) {
    // A 12 x 12 floor, a 1 m box at the origin, a thin upright panel to its right, a light before and above
    // (and one far away that hardly adds anything).
    tiny::Scene scene(W, H);
    scene.addEntity(scene.addModel({makeQuad("floor", {-6, 0, 6}, {12, 0, 0}, {0, 0, -12})}));
    scene.addEntity(scene.addModel(makeBox("box", {-0.5f, 0.0f, -0.5f}, {0.5f, 1.0f, 0.5f})));
    scene.addEntity(scene.addModel(makeBox("panel", {2.5f, 0.0f, -0.01f}, {3.5f, 1.0f, 0.01f})));
    scene.addLight({0.0f, 2.0f, 2.0f}, glm::vec3(0.3f));  // a lamp's strength under the shader's gain
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
    scene.addEntity(scene.addModel({makeQuad("left", {-2.1f, -1.5f, 0}, {2, 0, 0}, {0, 3, 0})}));
    scene.addEntity(scene.addModel({makeQuad("right", {0.1f, -1.5f, 0}, {2, 0, 0}, {0, 3, 0})}, "white.png",
                                   "tilted.png"));
    scene.addLight({0.0f, 0.0f, 1.5f}, glm::vec3(0.1f));  // dim enough that nothing saturates
    scene.lookAt({0.0f, 0.0f, 3.0f}, {0.0f, 0.0f, 0.0f});
    const tiny::Picture on = scene.frame();
    normalMappingEnabled = false;
    const tiny::Picture off = scene.frame();
    expectChangesOnlyAt(scene, on, off, {{"tilted wall", {1.1f, 0, 0}, -1}, {"flat wall", {-1.1f, 0, 0}, 0}}, 0.1f);
}

TEST_F(RenderPictures, VolumetricLightGlowsAroundTheVolumetricLightOnly) {
    // A back wall and two lights alike but for the volumetric mark, the marked one on the left.
    tiny::Scene scene(W, H);
    scene.addEntity(scene.addModel({makeQuad("wall", {-8, -6, -6}, {16, 0, 0}, {0, 12, 0})}));
    for (const float x : {-1.5f, 1.5f}) {
        LightSource& light = scene.addLight({x, 0.0f, -1.0f}, glm::vec3(0.06f));
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
                        {{"around the volumetric light", {-1.5f, 0, -1}, 1}, {"the plain light", {1.5f, 0, -1}, 0}},
                        0.2f);
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
