// Light sources from model files: where each lands in the world, its kind, and the walk that pairs it with its owner.
#include "world/lights.h"

#include "assets/model.h"
#include "support/matchers.h"
#include "support/scene_builder.h"
#include "world/components.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::vector<LightSource> lightsOf(Registry& registry) {
    std::vector<LightSource> out;
    forEachLight(registry, [&](Entity, LightSource& light) { out.push_back(light); });
    return out;
}

aiMatrix4x4 rotationY(float radians) {
    aiMatrix4x4 m;
    return aiMatrix4x4::RotationY(radians, m);
}

}  // namespace

TEST(Lights, EachLightLandsWhereItsNodeChainAndTheOffsetPutIt) {
    const struct {
        const char* name;
        std::function<void(aiScene&)> build;  // adds one light, "L"
        glm::vec3 offset, expected;
        std::string printed;  // a line the placement must print
    } cases[] = {
        {"identity chain", [](aiScene& s) { addNode(addNode(s.mRootNode, "Group"), "L"); },
         {0, 0, 0}, {1.5f, 2, -3.25f}, "emplacing light\nX. 1.5 y. 2 Z: -3.25\n"},
        // File position and offset sum to (1, 1, 0): moved 2 along x, turned a quarter about y, raised 10 along z.
        {"parent chain", [](aiScene& s) {
             s.mRootNode->mTransformation = translation(0, 0, 10);
             addNode(addNode(s.mRootNode, "Group", rotationY(glm::half_pi<float>())), "L", translation(2, 0, 0));
         }, {-0.5f, -1, 3.25f}, {0, 1, 7}, "X. "},
        {"no node", [](aiScene& s) { s.mRootNode->mTransformation = translation(100, 0, 0); },
         {0.5f, 0, 0}, {2, 2, -3.25f}, "Light without a node, kept at its file position: L\n"},
        // Position and offset sum to 0; the clip puts Bone at (3, 1, 0) at time 0, wherever its node says.
        {"animated", [](aiScene& s) {
             addNode(addNode(s.mRootNode, "Bone", translation(50, 50, 50)), "L", translation(0, 0.5f, 0));
             addPositionKey(*addChannel(*addAnimation(s, "swing", 10.0, 5.0), "Bone"), 0.0, aiVector3D(3, 1, 0));
         }, {-1.5f, -2, 3.25f}, {3, 1.5f, 0}, "X. "},
    };
    for (const auto& c : cases) {
        auto scene = makeScene();
        c.build(*scene);
        addLight(*scene, "L", aiLightSource_POINT, aiVector3D(1.5f, 2, -3.25f), aiColor3D(1, 1, 1));
        Model model;
        Registry registry;
        testing::internal::CaptureStdout();
        model.adoptScene(scene.get(), "memory/lights");
        emplaceModelLights(model, registry, registry.create(), c.offset, 0.05f, 700.0f, {0.6f, 0.8f, 0.8f}, true, 20);
        const std::string out = testing::internal::GetCapturedStdout();
        const std::vector<LightSource> lights = lightsOf(registry);
        ASSERT_EQ(lights.size(), 1u) << c.name;
        EXPECT_TRUE(vecNear(lights[0].mPosition, c.expected, 1e-4f)) << c.name;
        EXPECT_EQ(lights[0].animated, std::string(c.name) == "animated") << c.name;
        EXPECT_NE(out.find(c.printed), std::string::npos) << c.name << ": " << out;
    }
}

TEST(Lights, TheWalkGoesLastCreatedFirstInFileOrderEachWithItsOwner) {
    auto sceneA = makeScene(), sceneB = makeScene();
    for (const char* name : {"A0", "A1", "A2"}) addLight(*sceneA, name, aiLightSource_POINT, {}, {1, 1, 1});
    addLight(*sceneB, "B0", aiLightSource_AMBIENT, {}, {1, 1, 1});
    Model modelA, modelB;
    Registry registry;
    testing::internal::CaptureStdout();
    modelA.adoptScene(sceneA.get(), "memory/a");
    modelB.adoptScene(sceneB.get(), "memory/b");
    Entity owners[2] = {registry.create(), registry.create()};
    Model* models[2] = {&modelA, &modelB};
    for (int i = 0; i < 2; ++i) {
        registry.emplace<Drawable>(owners[i], makeDrawable(models[i], Shader{}));
        emplaceModelLights(*models[i], registry, owners[i], {}, 0.05f, 700.0f, {0.6f, 0.8f, 0.8f}, true, 20);
    }
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Unknown Light Type!\n"), std::string::npos);

    std::vector<std::string> walk;
    std::vector<Model*> owned;
    forEachLight(registry, [&](Entity light, LightSource& source) {
        walk.push_back(source.mName);
        owned.push_back(lightOwnerDrawable(registry, light)->model);
    });
    EXPECT_EQ(walk, (std::vector<std::string>{"B0", "A2", "A1", "A0"}));
    EXPECT_EQ(owned, (std::vector<Model*>{&modelB, &modelA, &modelA, &modelA}));
    EXPECT_EQ(lightsOf(registry)[0].mType, LightType::POINT) << "an ambient light is drawn as a point";
    EXPECT_EQ(registry.view<Drawable>().size(), 2u) << "lights are no Drawables of their own";
    registry.destroy(owners[1]);
    forEachLight(registry, [&](Entity light, LightSource& source) {
        if (source.mName == "B0") {
            EXPECT_EQ(lightOwnerDrawable(registry, light), nullptr);
        }
    });
}
