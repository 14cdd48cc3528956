// Light sources: construction, placement from in-memory scenes, the walk order and the shadow limit.
#include "world/lights.h"

#include "assets/model.h"
#include "light_scenes.h"
#include "world/components.h"

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

using namespace light_scenes;

namespace {

constexpr float EPS = 1e-5f;

void expectNear(const glm::vec3& actual, const glm::vec3& expected) {
    EXPECT_NEAR(actual.x, expected.x, EPS);
    EXPECT_NEAR(actual.y, expected.y, EPS);
    EXPECT_NEAR(actual.z, expected.z, EPS);
}

std::vector<LightSource> lightsInWalkOrder(Registry& registry) {
    std::vector<LightSource> out;
    forEachLight(registry, [&](Entity, LightSource& light) { out.push_back(light); });
    return out;
}

// Emplaces the lights of scene onto a fresh owner entity and returns what was printed.
std::string emplace(Model& model, Registry& registry, Entity owner, const glm::vec3& offset = glm::vec3(0.0f)) {
    testing::internal::CaptureStdout();
    emplaceModelLights(model, registry, owner, offset, 0.05f, 700.0f, {0.6f, 0.8f, 0.8f}, true, 20);
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(LightSource, ConstructorTakesTheCallersValuesAndTheFileColours) {
    aiLight file;
    file.mName = aiString("Candle.001");
    file.mType = aiLightSource_SPOT;
    file.mPosition = aiVector3D(9.0f, 9.0f, 9.0f);
    file.mColorDiffuse = aiColor3D(1.0f, 0.6f, 0.3f);
    file.mColorSpecular = aiColor3D(0.2f, 0.3f, 0.4f);
    file.mColorAmbient = aiColor3D(0.01f, 0.02f, 0.03f);
    file.mDirection = aiVector3D(0.0f, 0.0f, -1.0f);
    file.mAngleInnerCone = 0.3f;
    file.mAngleOuterCone = 0.6f;
    file.mAttenuationConstant = 5.0f;  // the file's own factors are not used

    LightSource light(file, true, {1.0f, 2.0f, 3.0f}, 0.01f, 100.0f, {0.6f, 0.8f, 0.9f}, false, 30);
    EXPECT_EQ(light.mType, LightType::SPOT);
    EXPECT_EQ(light.mName, "Candle.001");
    expectNear(light.mPosition, {1.0f, 2.0f, 3.0f});
    expectNear(light.mColorDiffuse, {1.0f, 0.6f, 0.3f});
    expectNear(light.mColorSpecular, {0.2f, 0.3f, 0.4f});
    expectNear(light.mColorAmbient, {0.01f, 0.02f, 0.03f});
    expectNear(light.mDirection, {0.0f, 0.0f, -1.0f});
    EXPECT_FLOAT_EQ(light.mAngleInnerCone, 0.3f);
    EXPECT_FLOAT_EQ(light.mAngleOuterCone, 0.6f);
    EXPECT_FLOAT_EQ(light.mAttenuationConstant, 0.6f);
    EXPECT_FLOAT_EQ(light.mAttenuationLinear, 0.8f);
    EXPECT_FLOAT_EQ(light.mAttenuationQuadratic, 0.9f);
    EXPECT_FLOAT_EQ(light.mTau, 0.01f);
    EXPECT_FLOAT_EQ(light.mPhi, 100.0f);
    EXPECT_EQ(light.mNrSamples, 30);
    EXPECT_TRUE(light.animated);
    EXPECT_FALSE(light.volumetric);
    EXPECT_EQ(light.mLightID, -1);
    EXPECT_TRUE(light.shadowTransforms.empty());
    EXPECT_EQ(light.near_far, glm::vec2(0.001f, 500.0f));
    EXPECT_FLOAT_EQ(light.nearPlane, 0.001f);
    EXPECT_FLOAT_EQ(light.farPlane, 500.0f);
    // The cube-face projection: square, 90 degrees, near 0.001, far 500.
    EXPECT_NEAR(light.shadowProjection[0][0], 1.0f, EPS);
    EXPECT_NEAR(light.shadowProjection[1][1], 1.0f, EPS);
    EXPECT_NEAR(light.shadowProjection[2][2], -(500.0f + 0.001f) / (500.0f - 0.001f), EPS);
    EXPECT_NEAR(light.shadowProjection[3][2], -2.0f * 500.0f * 0.001f / (500.0f - 0.001f), EPS);
    EXPECT_FLOAT_EQ(light.shadowProjection[2][3], -1.0f);
    EXPECT_FLOAT_EQ(light.shadowProjection[3][3], 0.0f);
}

TEST(LightSource, KindsMapToTypesAndOthersAreReportedAsPoints) {
    aiLight file;
    file.mType = aiLightSource_DIRECTIONAL;
    EXPECT_EQ(LightSource(file, false, {}, 0, 0, {}, false, 1).mType, LightType::DIRECTIONAL);
    file.mType = aiLightSource_POINT;
    EXPECT_EQ(LightSource(file, false, {}, 0, 0, {}, false, 1).mType, LightType::POINT);
    for (aiLightSourceType other : {aiLightSource_AMBIENT, aiLightSource_AREA, aiLightSource_UNDEFINED}) {
        file.mType = other;
        testing::internal::CaptureStdout();
        LightSource light(file, false, {}, 0, 0, {}, false, 1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unknown Light Type!\n");
        EXPECT_EQ(light.mType, LightType::POINT);
    }
}

TEST(EmplaceModelLights, IdentityChainGivesTheFilePositionAndPrintsThreeLines) {
    auto scene = emptyScene();
    aiNode* group = addNode(scene->mRootNode, "Group");
    addNode(group, "Lamp");
    addLight(*scene, "Lamp", aiLightSource_POINT, {1.5f, 2.0f, -3.25f});
    Model model;
    testing::internal::CaptureStdout();
    model.adoptScene(scene.get(), "memory/lamp");
    testing::internal::GetCapturedStdout();

    Registry registry;
    Entity owner = registry.create();
    std::string out = emplace(model, registry, owner);
    EXPECT_EQ(out, "emplacing light\nX. 1.5 y. 2 Z: -3.25\n");
    auto lights = lightsInWalkOrder(registry);
    ASSERT_EQ(lights.size(), 1u);
    expectNear(lights[0].mPosition, {1.5f, 2.0f, -3.25f});
    EXPECT_FALSE(lights[0].animated);
    EXPECT_TRUE(lights[0].volumetric);
    EXPECT_EQ(lights[0].mNrSamples, 20);
}

TEST(EmplaceModelLights, ParentChainAndOffsetAreApplied) {
    auto scene = emptyScene();
    scene->mRootNode->mTransformation = toAssimp(glm::translate(glm::mat4(1.0f), {0.0f, 0.0f, 10.0f}));
    aiNode* group = addNode(scene->mRootNode, "Group",
                            glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(0.0f, 1.0f, 0.0f)));
    addNode(group, "Lamp", glm::translate(glm::mat4(1.0f), {2.0f, 0.0f, 0.0f}));
    addLight(*scene, "Lamp", aiLightSource_POINT, {1.0f, 0.0f, 0.0f});
    Model model;
    testing::internal::CaptureStdout();
    model.adoptScene(scene.get(), "memory/lamp");
    testing::internal::GetCapturedStdout();

    Registry registry;
    emplace(model, registry, registry.create(), {0.0f, 1.0f, 0.0f});
    // (1, 0, 0) + offset (0, 1, 0), moved by 2 along x, turned 90 degrees about y, then raised 10 along z.
    expectNear(lightsInWalkOrder(registry).at(0).mPosition, {0.0f, 1.0f, 7.0f});
}

TEST(EmplaceModelLights, DirectionalLightKeepsItsTypeAndIsPlacedAsAPoint) {
    auto scene = emptyScene();
    addNode(scene->mRootNode, "Moon", glm::translate(glm::mat4(1.0f), {0.0f, 30.0f, -80.0f}));
    addLight(*scene, "Moon", aiLightSource_DIRECTIONAL);
    Model model;
    testing::internal::CaptureStdout();
    model.adoptScene(scene.get(), "memory/moon");
    testing::internal::GetCapturedStdout();

    Registry registry;
    emplace(model, registry, registry.create());
    LightSource light = lightsInWalkOrder(registry).at(0);
    EXPECT_EQ(light.mType, LightType::DIRECTIONAL);
    expectNear(light.mPosition, {0.0f, 30.0f, -80.0f});
}

TEST(EmplaceModelLights, AmbientLightIsReportedAndStillAttached) {
    auto scene = emptyScene();
    addNode(scene->mRootNode, "Glow");
    addLight(*scene, "Glow", aiLightSource_AMBIENT);
    Model model;
    testing::internal::CaptureStdout();
    model.adoptScene(scene.get(), "memory/glow");
    testing::internal::GetCapturedStdout();

    Registry registry;
    std::string out = emplace(model, registry, registry.create());
    EXPECT_NE(out.find("Unknown Light Type!\n"), std::string::npos);
    EXPECT_EQ(lightsInWalkOrder(registry).size(), 1u);
}

TEST(EmplaceModelLights, LightWithoutNodeKeepsItsFilePositionPlusOffsetAndSaysSo) {
    auto scene = emptyScene();
    scene->mRootNode->mTransformation = toAssimp(glm::translate(glm::mat4(1.0f), {100.0f, 0.0f, 0.0f}));
    addLight(*scene, "Stray", aiLightSource_POINT, {1.0f, 2.0f, 3.0f});
    Model model;
    testing::internal::CaptureStdout();
    model.adoptScene(scene.get(), "memory/stray");
    testing::internal::GetCapturedStdout();

    Registry registry;
    std::string out = emplace(model, registry, registry.create(), {0.5f, 0.0f, 0.0f});
    EXPECT_NE(out.find("Light without a node, kept at its file position: Stray\n"), std::string::npos);
    expectNear(lightsInWalkOrder(registry).at(0).mPosition, {1.5f, 2.0f, 3.0f});
}

TEST(EmplaceModelLights, AnimatedModelPlacesLightsAtTheirNodeAtTimeZero) {
    auto scene = emptyScene();
    aiNode* bone = addNode(scene->mRootNode, "Bone", glm::translate(glm::mat4(1.0f), {50.0f, 50.0f, 50.0f}));
    addNode(bone, "Flame", glm::translate(glm::mat4(1.0f), {0.0f, 0.5f, 0.0f}));
    addLight(*scene, "Flame");
    addSlide(*scene, "Bone", 10.0, 5.0, 3.0f, 1.0f);  // the clip puts Bone at (3, 1, 0) at time 0
    Model model;
    testing::internal::CaptureStdout();
    model.adoptScene(scene.get(), "memory/lantern");
    testing::internal::GetCapturedStdout();

    Registry registry;
    emplace(model, registry, registry.create());
    LightSource light = lightsInWalkOrder(registry).at(0);
    EXPECT_TRUE(light.animated);
    expectNear(light.mPosition, {3.0f, 1.5f, 0.0f});
}

TEST(EmplaceModelLights, ModelWithoutLightsOrSceneAttachesNothing) {
    auto scene = emptyScene();
    Model model;
    model.adoptScene(scene.get(), "memory/bare");
    Model failed;
    Registry registry;
    Entity owner = registry.create();
    EXPECT_EQ(emplace(model, registry, owner), "");
    EXPECT_EQ(emplace(failed, registry, owner), "");
    EXPECT_TRUE(lightsInWalkOrder(registry).empty());
}

TEST(LightWalk, LastCreatedFirstInFileOrderEachPairedWithItsOwner) {
    auto sceneA = emptyScene();
    for (const char* name : {"A0", "A1", "A2"}) {
        addNode(sceneA->mRootNode, name);
        addLight(*sceneA, name);
    }
    auto sceneB = emptyScene();
    addNode(sceneB->mRootNode, "B0");
    addLight(*sceneB, "B0");
    Model modelA, modelB;
    testing::internal::CaptureStdout();
    modelA.adoptScene(sceneA.get(), "memory/a");
    modelB.adoptScene(sceneB.get(), "memory/b");
    testing::internal::GetCapturedStdout();

    Registry registry;
    Entity ownerA = registry.create();
    registry.emplace<Drawable>(ownerA, makeDrawable(&modelA, Shader{}));
    emplace(modelA, registry, ownerA);
    Entity ownerB = registry.create();
    registry.emplace<Drawable>(ownerB, makeDrawable(&modelB, Shader{}));
    emplace(modelB, registry, ownerB);

    std::vector<std::string> names;
    std::vector<Model*> models;
    forEachLight(registry, [&](Entity light, LightSource& source) {
        names.push_back(source.mName);
        Drawable* drawable = lightOwnerDrawable(registry, light);
        models.push_back(drawable ? drawable->model : nullptr);
    });
    EXPECT_EQ(names, (std::vector<std::string>{"B0", "A2", "A1", "A0"}));
    EXPECT_EQ(models, (std::vector<Model*>{&modelB, &modelA, &modelA, &modelA}));

    // Lights are no Drawables of their own, and an owner that is gone pairs with nothing.
    EXPECT_EQ(registry.view<Drawable>().size(), 2u);
    registry.destroy(ownerB);
    forEachLight(registry, [&](Entity light, LightSource& source) {
        if (source.mName == "B0") {
            EXPECT_EQ(lightOwnerDrawable(registry, light), nullptr);
        }
    });
}

TEST(LightWalk, OnlyTheFirstEightWalkedHaveAShadowCube) {
    auto scene = emptyScene();
    for (int i = 0; i < 10; ++i) {
        std::string name = "L" + std::to_string(i);
        addNode(scene->mRootNode, name);
        addLight(*scene, name);
    }
    Model model;
    testing::internal::CaptureStdout();
    model.adoptScene(scene.get(), "memory/ten");
    testing::internal::GetCapturedStdout();
    Registry registry;
    emplace(model, registry, registry.create());

    forEachLight(registry, [](Entity, LightSource& light) { EXPECT_FALSE(hasShadowCube(light)); });
    int id = 0;
    forEachLight(registry, [&](Entity, LightSource& light) { light.mLightID = id++; });
    std::vector<std::string> unshadowed;
    forEachLight(registry, [&](Entity, LightSource& light) {
        if (!hasShadowCube(light)) unshadowed.push_back(light.mName);
    });
    // The walk starts at the last created, so the first two of the file are the ones past the array.
    EXPECT_EQ(unshadowed, (std::vector<std::string>{"L1", "L0"}));
}
