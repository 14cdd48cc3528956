// Scene construction on in-memory models: entity order, the light table, the shared shader.
#include "world/scene.h"

#include "light_scenes.h"
#include "world/components.h"
#include "world/lights.h"

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include <map>

using namespace light_scenes;

namespace {

std::unique_ptr<aiScene> sceneWithLights(const std::string& prefix, int count) {
    auto scene = emptyScene();
    for (int i = 0; i < count; ++i) {
        std::string name = prefix + std::to_string(i);
        addNode(scene->mRootNode, name, glm::translate(glm::mat4(1.0f), {float(i), 1.0f, -2.0f}));
        addLight(*scene, name);
    }
    return scene;
}

struct BuiltScene : ::testing::Test {
    std::unique_ptr<aiScene> ghost = emptyScene();
    std::unique_ptr<aiScene> house = sceneWithLights("House", 4);
    std::unique_ptr<aiScene> candles = sceneWithLights("Candle", 3);
    std::unique_ptr<aiScene> lantern = sceneWithLights("Lantern", 1);
    SceneResources resources;
    Registry registry;
    std::string output;

    void SetUp() override {
        addNode(ghost->mRootNode, "GhostLight");
        addLight(*ghost, "GhostLight");  // the player's own lights are never attached
        resources.shader.ID = 11;
        resources.playerModel = std::make_unique<Model>();
        resources.houseModel = std::make_unique<Model>();
        resources.candleModel = std::make_unique<Model>();
        resources.lanternModel = std::make_unique<Model>();
        testing::internal::CaptureStdout();
        resources.playerModel->adoptScene(ghost.get(), "memory/ghost");
        resources.houseModel->adoptScene(house.get(), "memory/house");
        resources.candleModel->adoptScene(candles.get(), "memory/candles");
        resources.lanternModel->adoptScene(lantern.get(), "memory/lantern");
        testing::internal::GetCapturedStdout();
        testing::internal::CaptureStdout();
        createPlayer(resources, registry);
        buildScene(resources, registry);
        output = testing::internal::GetCapturedStdout();
    }
};

}  // namespace

TEST_F(BuiltScene, PlayerThenCandlesLanternHouseAllWithTheOneShader) {
    std::vector<Entity> drawn = registry.view<Drawable, Transform>();
    ASSERT_EQ(drawn.size(), 4u);
    // Views walk last created first: house, lantern, candles, player.
    std::vector<Model*> models;
    for (Entity e : drawn) {
        models.push_back(registry.get<Drawable>(e).model);
        EXPECT_EQ(registry.get<Drawable>(e).shader.ID, 11u);
    }
    EXPECT_EQ(models, (std::vector<Model*>{resources.houseModel.get(), resources.lanternModel.get(),
                                           resources.candleModel.get(), resources.playerModel.get()}));
    std::vector<Entity> players = registry.view<Player, Camera, BoxCollider, Transform, Drawable>();
    ASSERT_EQ(players.size(), 1u);
    Entity player = players[0];
    EXPECT_EQ(registry.get<Transform>(player).position, glm::vec3(0.0f, 0.0f, 3.0f));
    EXPECT_EQ(registry.get<BoxCollider>(player).extents, glm::vec3(0.5f, 2.0f, 0.5f));
    EXPECT_EQ(registry.get<Camera>(player).inverseView, glm::mat4(0.0f));
    for (Entity e : drawn) {
        if (e == player) continue;
        const Transform& t = registry.get<Transform>(e);
        EXPECT_EQ(t.position, glm::vec3(0.0f));
        EXPECT_EQ(t.rotation, glm::quat(1.0f, 0.0f, 0.0f, 0.0f));
        EXPECT_EQ(t.scale, glm::vec3(1.0f));
        EXPECT_EQ(t.parent, nullEntity);
    }
}

TEST_F(BuiltScene, LightsCarryTheirModelsParametersAndWalkHouseFirst) {
    struct Row {
        float tau, phi;
        glm::vec3 attenuation;
        bool volumetric;
        int samples;
    };
    const std::map<Model*, Row> table = {
        {resources.candleModel.get(), {0.05f, 700.0f, {0.6f, 0.8f, 0.8f}, true, 20}},
        {resources.lanternModel.get(), {0.01f, 100.0f, {0.6f, 0.8f, 0.9f}, true, 30}},
        {resources.houseModel.get(), {0.05f, 50.0f, {0.7f, 0.9f, 0.9f}, false, 20}},
    };
    std::vector<std::string> walk;
    forEachLight(registry, [&](Entity light, LightSource& source) {
        walk.push_back(source.mName);
        Drawable* owner = lightOwnerDrawable(registry, light);
        ASSERT_NE(owner, nullptr);
        const Row& row = table.at(owner->model);
        EXPECT_FLOAT_EQ(source.mTau, row.tau) << source.mName;
        EXPECT_FLOAT_EQ(source.mPhi, row.phi) << source.mName;
        EXPECT_FLOAT_EQ(source.mAttenuationConstant, row.attenuation.x);
        EXPECT_FLOAT_EQ(source.mAttenuationLinear, row.attenuation.y);
        EXPECT_FLOAT_EQ(source.mAttenuationQuadratic, row.attenuation.z);
        EXPECT_EQ(source.volumetric, row.volumetric) << source.mName;
        EXPECT_EQ(source.mNrSamples, row.samples);
        EXPECT_EQ(source.mLightID, -1);
    });
    EXPECT_EQ(walk, (std::vector<std::string>{"House3", "House2", "House1", "House0", "Lantern0", "Candle2",
                                              "Candle1", "Candle0"}));
    // Three lines per light, in creation order.
    size_t at = 0, lines = 0;
    while ((at = output.find("emplacing light\nX. ", at)) != std::string::npos) {
        ++lines;
        ++at;
    }
    EXPECT_EQ(lines, 8u);
    EXPECT_EQ(output.rfind("emplacing light\nX. 0 y. 1 Z: -2\n", 0), 0u);
}

TEST_F(BuiltScene, SceneryWithoutLightsStillStands) {
    auto bare = emptyScene();
    Model model;
    model.adoptScene(bare.get(), "memory/bare");
    size_t before = registry.view<LightSource>().size();
    Entity e = createModelEntity(resources, registry, glm::vec3(0.0f), model, 0.1f, 1.0f, {1, 1, 1}, 10);
    EXPECT_TRUE((registry.all_of<Drawable, Transform>(e)));
    EXPECT_EQ(registry.view<LightSource>().size(), before);
}

TEST(SceneAngles, EntityIsTurnedAndItsLightsOffsetByTheSameNumbers) {
    auto scene = sceneWithLights("L", 1);
    SceneResources resources;
    Model model;
    testing::internal::CaptureStdout();
    model.adoptScene(scene.get(), "memory/turned");
    Registry registry;
    Entity e = createModelEntity(resources, registry, {0.0f, 1.5707964f, 0.0f}, model, 0, 0, {}, 1);
    testing::internal::GetCapturedStdout();
    glm::quat q = registry.get<Transform>(e).rotation;
    EXPECT_NEAR(q.y, std::sin(0.7853982f), 1e-6f);
    EXPECT_NEAR(q.w, std::cos(0.7853982f), 1e-6f);
    LightSource light;
    forEachLight(registry, [&](Entity, LightSource& l) { light = l; });
    EXPECT_NEAR(light.mPosition.y, 1.0f + 1.5707964f, 1e-5f);
}
