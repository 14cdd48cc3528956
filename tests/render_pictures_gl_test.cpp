// Pictures of a tiny world of our own through the frame's passes: each of shadows, normal mapping and
// volumetric light, switched off, changes the picture where it shows and leaves the rest as it was; the sky
// and the frame-rate text show where they belong.
#include "tiny_scene.h"

#include "core/frame_rate.h"
#include "render/light_visibility.h"
#include "support/gl_context.h"

#include <gtest/gtest.h>

#include <array>

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

// A floor of side size at y = 0, centred on the origin, facing up, in cells x cells squares of one mesh.
aiMesh* floorGrid(int cells, float size) {
    aiMesh* mesh = new aiMesh();
    mesh->mName = aiString("grid");
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    const unsigned int side = static_cast<unsigned int>(cells) + 1;
    mesh->mNumVertices = side * side;
    mesh->mVertices = new aiVector3D[side * side];
    mesh->mNormals = new aiVector3D[side * side];
    mesh->mTangents = new aiVector3D[side * side];
    mesh->mBitangents = new aiVector3D[side * side];
    mesh->mTextureCoords[0] = new aiVector3D[side * side];
    mesh->mNumUVComponents[0] = 2;
    for (unsigned int j = 0; j < side; ++j)
        for (unsigned int i = 0; i < side; ++i) {
            const float u = static_cast<float>(i) / cells, v = static_cast<float>(j) / cells;
            const unsigned int k = j * side + i;
            mesh->mVertices[k] = aiVector3D((u - 0.5f) * size, 0.0f, (0.5f - v) * size);
            mesh->mNormals[k] = aiVector3D(0, 1, 0);
            mesh->mTangents[k] = aiVector3D(1, 0, 0);
            mesh->mBitangents[k] = aiVector3D(0, 0, -1);
            mesh->mTextureCoords[0][k] = aiVector3D(u, v, 0);
        }
    mesh->mNumFaces = 2 * static_cast<unsigned int>(cells * cells);
    mesh->mFaces = new aiFace[mesh->mNumFaces];
    unsigned int f = 0;
    for (unsigned int j = 0; j + 1 < side; ++j)
        for (unsigned int i = 0; i + 1 < side; ++i) {
            const unsigned int a = j * side + i, b = a + 1, c = a + side + 1, d = a + side;
            for (const std::array<unsigned int, 3> corners : {std::array<unsigned int, 3>{a, b, c}, {a, c, d}}) {
                mesh->mFaces[f].mNumIndices = 3;
                mesh->mFaces[f++].mIndices = new unsigned int[3]{corners[0], corners[1], corners[2]};
            }
        }
    return mesh;
}

}  // namespace

TEST_F(RenderPictures, AFarLightsSoftLightIsTheSameWorkedOutPerVertexAsPerPixel) {
    // A strong light 35 m above a 12 m floor, beyond its reach: only its soft light arrives. Over a floor
    // of small squares the vertex stage works it out; over one quad of two long triangles it bends too much
    // for that and the pixels work it out. A dim near light, created last, takes the first place of the list.
    tiny::Scene scene(W, H);
    Model& squares = scene.addModel({floorGrid(24, 12.0f)});
    Model& quad = scene.addModel({tiny::quad("floor", {-6, 0, 6}, {12, 0, 0}, {0, 0, -12})});
    LightSource& strong = scene.addLight({0.0f, 35.0f, 0.0f}, glm::vec3(50.0f));
    strong.mAttenuationConstant = 1.0f;
    strong.mAttenuationLinear = 0.0f;
    strong.mAttenuationQuadratic = 50.0f;
    scene.addLight({0.0f, 1.5f, 3.0f}, glm::vec3(0.05f));  // moves the lights' storage: strong is stale now
    scene.lookAt({0.0f, 6.0f, 5.0f}, {0.0f, 0.0f, 0.0f});
    Entity floor = scene.addEntity(quad);
    const tiny::Picture perPixel = scene.frame();
    scene.registry.destroy(floor);
    floor = scene.addEntity(squares);
    const tiny::Picture perVertex = scene.frame();
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

TEST_F(RenderPictures, APanelWhollyBehindAWallLooksTheSameOnceKnownHiddenAndLightsUpWithoutShadows) {
    // A light before a 0.3 m thick wall, a panel behind the wall facing the light, seen from beside it.
    tiny::Scene scene(W, H);
    scene.addEntity(scene.addModel(tiny::box("wall", {2.0f, -2.0f, -3.0f}, {2.3f, 3.0f, 3.0f})));
    const Entity panelEntity =
        scene.addEntity(scene.addModel({tiny::quad("panel", {4.0f, 0.0f, -1.0f}, {0, 0, 2}, {0, 2, 0})}));
    scene.addLight({0.0f, 1.0f, 0.0f});
    scene.lookAt({2.8f, 1.0f, 2.5f}, {4.0f, 1.0f, 0.0f});
    const glm::ivec2 panel = scene.pixelOf({4.0f, 1.0f, 0.0f});
    // The first frame lights the panel through the shadow lookups; from the third on the scene pass
    // knows the wall hides it and leaves the light's direct light out: the same picture.
    const tiny::Picture looked = scene.frame();
    scene.frame();
    const tiny::Picture known = scene.frame();
    EXPECT_EQ(looked.rgb, known.rgb);
    EXPECT_NE(hiddenCubes(*scene.renderer.lightVisibility, panelEntity, scene.models[1]->meshes[0]), 0u)
        << "the panel was never found hidden";
    // With shadows off nothing hides it.
    shadowsEnabled = false;
    const tiny::Picture off = scene.frame();
    shadowsEnabled = true;
    EXPECT_GT(off.around(panel), known.around(panel) + 20.0f);
}

TEST_F(RenderPictures, APanelWhoseEdgeIsWithinTheShadowDiscOfTheLightKeepsItsFringe) {
    // A light before a 0.3 m thick wall; behind it, in its shadow, a panel whose edge ends 3 cm short of where
    // the shadow does (z = 1.5), within the lookups' disc, and one more deep in the shadow. Seen from behind
    // the wall, close up.
    tiny::Scene scene(W, H);
    scene.addEntity(scene.addModel(tiny::box("wall", {2.0f, -1.0f, -1.0f}, {2.3f, 1.0f, 1.0f})));
    scene.addEntity(scene.addModel({tiny::quad("edge", {3.0f, -0.5f, 1.47f}, {0, 1, 0}, {0, 0, -0.97f})}));
    const Entity deep = scene.addEntity(scene.addModel({tiny::quad("deep", {3.0f, -0.5f, 0.4f}, {0, 1, 0}, {0, 0, -0.8f})}));
    scene.addLight({0.0f, 0.0f, 0.0f});
    scene.lookAt({2.6f, 0.0f, 1.25f}, {3.0f, 0.0f, 1.3f});
    scene.frame();
    scene.frame();
    const tiny::Picture known = scene.frame();
    EXPECT_NE(hiddenCubes(*scene.renderer.lightVisibility, deep, scene.models[2]->meshes[0]), 0u)
        << "the queries hide nothing here";
    scene.renderer.lightVisibility.reset();
    const tiny::Picture unculled = scene.frame();
    EXPECT_GT(unculled.around(scene.pixelOf({3.0f, 0.0f, 1.465f}), 1), unculled.around(scene.pixelOf({3.0f, 0.0f, 1.3f}), 1) + 3.0f)
        << "no fringe of light along the panel's edge";
    EXPECT_EQ(known.pixelsUnlike(unculled), 0);
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
