// Start-up with the shipped files: the four entities, the eight lights and their console lines.
#include "world/scene.h"

#include "animation/hierarchy.h"
#include "support/gl_context.h"
#include "world/clocks.h"
#include "world/components.h"
#include "world/lights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

namespace {

size_t countOf(const std::string& text, const std::string& needle) {
    size_t n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

struct ShippedScene : GlTest {
    void SetUp() override {
        GlTest::SetUp();
        for (const char* path : {PLAYER_MODEL_PATH, HOUSE_MODEL_PATH, CANDLE_MODEL_PATH, LANTERN_MODEL_PATH,
                                 "Resources/shader/vertex.shader", "Resources/shader/fragment.shader"})
            if (!std::filesystem::exists(path)) GTEST_SKIP() << "not shipped yet: " << path;
    }
};

}  // namespace

TEST_F(ShippedScene, StartUpBuildsFourEntitiesEightLightsAndPrintsThem) {
    testing::internal::CaptureStdout();
    SceneResources resources = loadSceneResources();
    Registry registry;
    createPlayer(resources, registry);
    buildScene(resources, registry);
    const std::string out = testing::internal::GetCapturedStdout();
    std::cout << out;

    EXPECT_EQ(countOf(out, "[ERROR] Assimp: "), 0u);
    EXPECT_GE(countOf(out, "Model has Lights!\n"), 3u);
    EXPECT_EQ(countOf(out, "emplacing light\nX. "), 8u);
    EXPECT_EQ(countOf(out, " y. "), 8u);
    EXPECT_EQ(countOf(out, " Z: "), 8u);
    EXPECT_EQ(countOf(out, "Light without a node"), 0u);

    std::vector<Entity> drawn = registry.view<Drawable, Transform>();
    EXPECT_EQ(drawn.size(), 4u);
    EXPECT_EQ((registry.view<Player, Camera, BoxCollider>().size()), 1u);
    std::set<unsigned int> shaders;
    for (Entity e : drawn) shaders.insert(registry.get<Drawable>(e).shader.ID);
    EXPECT_EQ(shaders, std::set<unsigned int>{resources.shader.ID});
    EXPECT_NE(resources.shader.ID, 0u);

    struct Count {
        int lights = 0;
        int volumetric = 0;
    };
    std::map<Model*, Count> perModel;
    int walked = 0;
    forEachLight(registry, [&](Entity light, LightSource& source) {
        ++walked;
        Drawable* owner = lightOwnerDrawable(registry, light);
        ASSERT_NE(owner, nullptr);
        Count& c = perModel[owner->model];
        ++c.lights;
        if (source.volumetric) ++c.volumetric;
        EXPECT_EQ(source.mLightID, -1);
        if (owner->model == resources.candleModel.get()) {
            EXPECT_FLOAT_EQ(source.mTau, 0.05f);
            EXPECT_FLOAT_EQ(source.mPhi, 700.0f);
            EXPECT_EQ(glm::vec3(source.mAttenuationConstant, source.mAttenuationLinear, source.mAttenuationQuadratic),
                      glm::vec3(0.6f, 0.8f, 0.8f));
            EXPECT_EQ(source.mNrSamples, 20);
            EXPECT_FALSE(source.animated);
        } else if (owner->model == resources.lanternModel.get()) {
            EXPECT_FLOAT_EQ(source.mTau, 0.01f);
            EXPECT_FLOAT_EQ(source.mPhi, 100.0f);
            EXPECT_EQ(glm::vec3(source.mAttenuationConstant, source.mAttenuationLinear, source.mAttenuationQuadratic),
                      glm::vec3(0.6f, 0.8f, 0.9f));
            EXPECT_EQ(source.mNrSamples, 30);
            EXPECT_TRUE(source.animated);  // the lantern swings
        } else {
            EXPECT_EQ(owner->model, resources.houseModel.get());
            EXPECT_FLOAT_EQ(source.mTau, 0.05f);
            EXPECT_FLOAT_EQ(source.mPhi, 50.0f);
            EXPECT_EQ(glm::vec3(source.mAttenuationConstant, source.mAttenuationLinear, source.mAttenuationQuadratic),
                      glm::vec3(0.7f, 0.9f, 0.9f));
            EXPECT_EQ(source.mNrSamples, 20);
        }
    });
    EXPECT_EQ(walked, 8);
    EXPECT_EQ(perModel[resources.candleModel.get()].lights, 3);
    EXPECT_EQ(perModel[resources.candleModel.get()].volumetric, 3);
    EXPECT_EQ(perModel[resources.lanternModel.get()].lights, 1);
    EXPECT_EQ(perModel[resources.lanternModel.get()].volumetric, 1);
    EXPECT_EQ(perModel[resources.houseModel.get()].lights, 4);
    EXPECT_EQ(perModel[resources.houseModel.get()].volumetric, 0);
    EXPECT_EQ(perModel.count(resources.playerModel.get()), 0u);
}

TEST_F(ShippedScene, LanternLightSwingsWithItsNodeAtTheDrawnTime) {
    testing::internal::CaptureStdout();
    SceneResources resources = loadSceneResources();
    Registry registry;
    createPlayer(resources, registry);
    buildScene(resources, registry);
    testing::internal::GetCapturedStdout();

    LightSource* lantern = nullptr;
    Drawable* owner = nullptr;
    forEachLight(registry, [&](Entity light, LightSource& source) {
        Drawable* d = lightOwnerDrawable(registry, light);
        if (d && d->model == resources.lanternModel.get()) {
            lantern = &source;
            owner = d;
        }
    });
    ASSERT_NE(lantern, nullptr);
    const aiAnimation* clip = resources.lanternModel->chosenAnimation();
    ASSERT_NE(clip, nullptr);
    const glm::vec3 start = lantern->mPosition;
    float moved = 0.0f;
    for (int frame = 0; frame < 120; ++frame) {
        advanceAnimationClocks(registry, 0.05f);
        animateLights(registry);
        glm::mat4 node(1.0f);
        ASSERT_TRUE(resources.lanternModel->nodeGlobalTransform(node, animationTicks(*clip, owner->animationTime),
                                                                lantern->mName));
        EXPECT_EQ(lantern->mPosition, glm::vec3(node[3])) << "frame " << frame;
        moved = std::max(moved, glm::length(lantern->mPosition - start));
        // A swing, not a flight: the flame stays by its hook.
        EXPECT_LT(glm::length(lantern->mPosition - start), 1.0f) << "frame " << frame;
    }
    EXPECT_GT(moved, 0.01f);
}
