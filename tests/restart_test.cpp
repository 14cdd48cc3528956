// Restart: a new player with fresh clocks and its flight from the start, the scenery untouched, the audio re-armed.
#include "world/restart.h"

#include "audio/timeline.h"
#include "core/toggles.h"
#include "support/program_values.h"
#include "support/scene_builder.h"
#include "world/camera_system.h"
#include "world/clocks.h"
#include "world/components.h"
#include "world/lights.h"
#include "world/scene.h"

#include <gtest/gtest.h>

// The request is a program-wide flag: the fixture puts it back.
struct Restart : ProgramValuesTest {};

// In-memory models in place of the files: a ghost whose camera flies from x = 4, a lantern with a light.
TEST_F(Restart, ARequestMakesOneNewPlayerAtTimeZeroAndReArmsTheTimedSounds) {
    auto ghost = makeScene();
    addNode(ghost->mRootNode, "Cam");
    addCamera(*ghost, "Cam", aiVector3D(), aiVector3D(0, 1, 0), aiVector3D(1, 0, 0));
    aiNodeAnim* flight = addChannel(*addAnimation(*ghost, "flight", 100.0, 10.0), "Cam");
    addPositionKey(*flight, 0.0, aiVector3D(4, 0, 0));
    addPositionKey(*flight, 100.0, aiVector3D(104, 0, 0));
    auto lanternScene = makeScene();
    addNode(lanternScene->mRootNode, "Flame");
    addLight(*lanternScene, "Flame", aiLightSource_POINT, aiVector3D(), aiColor3D(1, 1, 1));
    SceneResources resources;
    resources.playerModel = std::make_unique<Model>();
    resources.lanternModel = std::make_unique<Model>();
    Registry registry;
    testing::internal::CaptureStdout();
    resources.playerModel->adoptScene(ghost.get(), "memory/ghost");
    resources.lanternModel->adoptScene(lanternScene.get(), "memory/lantern");
    const Entity before = createPlayer(resources, registry);
    const Entity lantern = createModelEntity(resources, registry, glm::vec3(0.0f), *resources.lanternModel, 0.01f,
                                             100.0f, {0.6f, 0.8f, 0.9f}, 30);
    testing::internal::GetCapturedStdout();
    FrameCamera frame;
    for (int i = 0; i < 5; ++i) {
        updateCameras(registry, 0.1f, frame);
        advanceAnimationClocks(registry, 0.1f);
    }
    const float lanternTime = registry.get<Drawable>(lantern).animationTime;
    ASSERT_GT(lanternTime, 0.0f);

    AudioState audio;
    audio.glassPlayed = audio.lanternPlayed = true;
    float elapsed = 42.0f;
    restartRequested = false;
    EXPECT_FALSE(handleRestartRequest(registry, resources, elapsed, audio));
    EXPECT_EQ(elapsed, 42.0f) << "no request, no restart";
    EXPECT_TRUE(audio.glassPlayed);

    for (int i = 0; i < 20; ++i) {
        restartRequested = true;  // what Enter sets
        ASSERT_TRUE(handleRestartRequest(registry, resources, elapsed, audio)) << i;
    }
    EXPECT_FALSE(restartRequested);
    EXPECT_EQ(elapsed, 0.0f);
    EXPECT_FALSE(audio.glassPlayed);
    EXPECT_FALSE(audio.lanternPlayed);
    EXPECT_FALSE(registry.valid(before));
    const std::vector<Entity> players = registry.view<Player, Camera, Drawable, BoxCollider, Transform>();
    ASSERT_EQ(players.size(), 1u);
    EXPECT_EQ(registry.get<Drawable>(players[0]).animationTime, 0.0f);
    EXPECT_EQ(registry.get<Drawable>(players[0]).cameraTime, 0.0f);
    updateCameras(registry, 0.0f, frame);
    EXPECT_NEAR(frame.position.x, 4.0f, 1e-4f) << "the flight starts again from the beginning of its path";
    const ListenerPose heard = listenerPose(registry.get<Camera>(players[0]));
    EXPECT_EQ(heard.position, frame.position);
    EXPECT_NEAR(heard.lookDirection.x, 1.0f, 1e-5f) << "heard facing where the camera looks; -x would swap the ears";

    // The scenery keeps its clock and its light.
    EXPECT_EQ(registry.get<Drawable>(lantern).animationTime, lanternTime);
    EXPECT_EQ(registry.view<LightSource>().size(), 1u);
}
