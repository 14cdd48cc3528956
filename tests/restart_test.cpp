// Restart: a new player with fresh clocks, the scenery and its lights untouched, the timeline reset.
#include "world/restart.h"

#include "audio/timeline.h"
#include "core/toggles.h"
#include "world/clocks.h"
#include "light_scenes.h"
#include "world/camera_system.h"
#include "world/components.h"
#include "world/lights.h"
#include "world/scene.h"

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

using namespace light_scenes;

namespace {

// In-memory models in place of the files: a ghost with a camera and a lantern with two lights.
struct RestartWorld : ::testing::Test {
    std::unique_ptr<aiScene> ghostScene = emptyScene();
    std::unique_ptr<aiScene> lanternScene = emptyScene();
    SceneResources resources;
    Registry registry;
    Entity lantern{};

    void SetUp() override {
        addCamera(*ghostScene, "Cam");
        addSlide(*ghostScene, "Cam", 100.0, 10.0, 4.0f, 1.5f);
        for (const char* name : {"FlameA", "FlameB"}) {
            addNode(lanternScene->mRootNode, name, glm::translate(glm::mat4(1.0f), {-3.45f, 1.55f, -50.56f}));
            addLight(*lanternScene, name);
        }
        resources.shader.ID = 7;
        resources.playerModel = std::make_unique<Model>();
        resources.lanternModel = std::make_unique<Model>();
        testing::internal::CaptureStdout();
        resources.playerModel->adoptScene(ghostScene.get(), "memory/ghost");
        resources.lanternModel->adoptScene(lanternScene.get(), "memory/lantern");
        createPlayer(resources, registry);
        lantern = createModelEntity(resources, registry, glm::vec3(0.0f), *resources.lanternModel, 0.01f, 100.0f,
                                    {0.6f, 0.8f, 0.9f}, 30);
        testing::internal::GetCapturedStdout();
    }

    void frames(int n) {
        FrameCamera frame;
        for (int i = 0; i < n; ++i) {
            updateCameras(registry, 0.1f, frame);
            advanceAnimationClocks(registry, 0.1f);
            animateLights(registry);
        }
    }

    std::vector<Entity> players() {
        std::vector<Entity> out;
        for (Entity e : registry.view<Transform>())
            if (registry.all_of<Player>(e)) out.push_back(e);
        return out;
    }

    std::vector<glm::vec3> lightPositions() {
        std::vector<glm::vec3> out;
        forEachLight(registry, [&](Entity, LightSource& l) { out.push_back(l.mPosition); });
        return out;
    }
};

}  // namespace

TEST_F(RestartWorld, ManyRestartsLeaveOneFreshPlayerAndTheSceneryAsItWas) {
    frames(5);
    const float lanternTime = registry.get<Drawable>(lantern).animationTime;
    const std::vector<glm::vec3> lights = lightPositions();
    ASSERT_EQ(lights.size(), 2u);

    for (int i = 0; i < 20; ++i) restartPlayer(registry, resources);

    std::vector<Entity> now = players();
    ASSERT_EQ(now.size(), 1u);
    Entity player = now[0];
    EXPECT_TRUE((registry.all_of<Camera, Drawable, BoxCollider>(player)));
    const Drawable& drawable = registry.get<Drawable>(player);
    EXPECT_EQ(drawable.animationTime, 0.0f);
    EXPECT_EQ(drawable.cameraTime, 0.0f);
    EXPECT_EQ(drawable.model, resources.playerModel.get());
    EXPECT_EQ(registry.get<Transform>(player).position, glm::vec3(0.0f, 0.0f, 3.0f));
    EXPECT_EQ(registry.view<Camera>().size(), 1u);
    EXPECT_EQ(registry.view<Drawable>().size(), 2u);

    // The lantern keeps its clock, its lights and their owner.
    EXPECT_TRUE(registry.valid(lantern));
    EXPECT_EQ(registry.get<Drawable>(lantern).animationTime, lanternTime);
    EXPECT_EQ(lightPositions(), lights);
    forEachLight(registry, [&](Entity l, LightSource&) { EXPECT_EQ(lightOwner(registry, l), lantern); });
}

TEST_F(RestartWorld, RequestResetsTheTimelineAndTheListenerHearsAZeroCamera) {
    frames(3);
    Entity before = players().at(0);
    ASSERT_NE(registry.get<Camera>(before).position, glm::vec3(0.0f));

    AudioState audio;
    audio.glassPlayed = true;
    audio.lanternPlayed = true;
    float elapsed = 42.0f;
    restartRequested = false;
    EXPECT_FALSE(handleRestartRequest(registry, resources, elapsed, audio));
    EXPECT_EQ(elapsed, 42.0f);
    EXPECT_TRUE(audio.glassPlayed);

    restartRequested = true;
    EXPECT_TRUE(handleRestartRequest(registry, resources, elapsed, audio));
    EXPECT_FALSE(restartRequested);
    EXPECT_EQ(elapsed, 0.0f);
    EXPECT_FALSE(audio.glassPlayed);
    EXPECT_FALSE(audio.lanternPlayed);
    EXPECT_FALSE(registry.valid(before));

    // The turn's listener update comes before the frame poses the new camera.
    int cameras = 0;
    registry.each<Camera, Transform>([&](Entity, Camera& camera, Transform&) {
        ++cameras;
        ListenerPose pose = listenerPose(camera);
        EXPECT_EQ(pose.position, glm::vec3(0.0f));
        EXPECT_EQ(pose.lookDirection, glm::vec3(0.0f));
    });
    EXPECT_EQ(cameras, 1);
    updateListener(registry, audio);

    // The flight starts again from the beginning of the path.
    FrameCamera frame;
    updateCameras(registry, 0.0f, frame);
    EXPECT_NEAR(frame.position.x, 4.0f, 1e-5f);
}
