// Camera system and listener: the flight's clock, the frame's copy, and the mended listener direction.
#include "world/camera_system.h"

#include "assets/model.h"
#include "audio/timeline.h"
#include "light_scenes.h"
#include "world/components.h"

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

using namespace light_scenes;

namespace {

// The camera example: inverse view with rows (0,0,-1,0), (0,1,0,0), (1,0,0,0), (0,0,0,1).
Camera exampleCamera() {
    Camera camera;
    camera.inverseView = glm::transpose(glm::mat4(0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1));
    camera.view = glm::inverse(camera.inverseView);
    return camera;
}

// A model whose camera node slides from (2, 3, 0) along +x, 5 ticks a second over 10 ticks.
struct CameraWorld : ::testing::Test {
    std::unique_ptr<aiScene> scene = emptyScene();
    Model model;
    Registry registry;
    Entity player{};
    void SetUp() override {
        addCamera(*scene, "Cam");
        addSlide(*scene, "Cam", 10.0, 5.0, 2.0f, 3.0f);
        testing::internal::CaptureStdout();
        model.adoptScene(scene.get(), "memory/ghost");
        testing::internal::GetCapturedStdout();
        player = registry.create();
        registry.emplace<Camera>(player);
        registry.emplace<Transform>(player);
        registry.emplace<Drawable>(player, makeDrawable(&model, Shader{}));
    }
};

}  // namespace

TEST(Listener, ExampleCameraIsHeardLookingWhereTheViewLooks) {
    Camera camera = exampleCamera();
    camera.position = glm::vec3(1.0f, 2.0f, 3.0f);
    ListenerPose pose = listenerPose(camera);
    EXPECT_EQ(pose.position, glm::vec3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(pose.lookDirection, glm::vec3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(pose.velocity, glm::vec3(0.0f));
    EXPECT_EQ(pose.up, glm::vec3(0.0f, 1.0f, 0.0f));
    // A point ahead along the look direction is in front of the view (its -z).
    glm::vec4 ahead = camera.view * glm::vec4(camera.position + pose.lookDirection, 1.0f);
    EXPECT_LT(ahead.z, 0.0f);
}

TEST(Listener, UnposedCameraGivesZeros) {
    ListenerPose pose = listenerPose(Camera{});
    EXPECT_EQ(pose.position, glm::vec3(0.0f));
    EXPECT_EQ(pose.lookDirection, glm::vec3(0.0f));
    EXPECT_EQ(pose.up, glm::vec3(0.0f, 1.0f, 0.0f));
}

TEST(Listener, RunsWithoutASoundEngine) {
    Registry registry;
    Entity e = registry.create();
    registry.emplace<Camera>(e, exampleCamera());
    registry.emplace<Transform>(e);
    AudioState audio;
    updateListener(registry, audio);  // no engine: nothing to hear, nothing to crash
    SUCCEED();
}

TEST_F(CameraWorld, FirstFrameAtTimeZeroThenTheClockRuns) {
    FrameCamera frame;
    updateCameras(registry, 0.0f, frame);
    Camera& camera = registry.get<Camera>(player);
    EXPECT_EQ(registry.get<Drawable>(player).cameraTime, 0.0f);
    EXPECT_NEAR(camera.position.x, 2.0f, 1e-5f);
    EXPECT_NEAR(camera.position.y, 3.0f, 1e-5f);
    EXPECT_EQ(frame.position, camera.position);
    EXPECT_EQ(frame.view, camera.view);
    EXPECT_EQ(frame.inverseView, camera.inverseView);
    // The listener hears along +x, where the camera looks.
    glm::vec3 look = listenerPose(camera).lookDirection;
    EXPECT_NEAR(look.x, 1.0f, 1e-5f);
    EXPECT_NEAR(look.y, 0.0f, 1e-5f);
    EXPECT_NEAR(look.z, 0.0f, 1e-5f);

    updateCameras(registry, 0.5f, frame);
    updateCameras(registry, 0.5f, frame);
    EXPECT_EQ(registry.get<Drawable>(player).cameraTime, 1.0f);
    EXPECT_NEAR(frame.position.x, 7.0f, 1e-4f);  // 5 ticks further along
    // The animation clock is not the camera system's.
    EXPECT_EQ(registry.get<Drawable>(player).animationTime, 0.0f);
}

TEST(CameraEye, ACameraAwayFromItsNodeIsHeardAndLitFromThePointItsViewLooksFrom) {
    std::unique_ptr<aiScene> scene = emptyScene();
    addCamera(*scene, "Cam");
    scene->mCameras[0]->mPosition = aiVector3D(1.0f, 2.0f, 3.0f);
    addSlide(*scene, "Cam", 10.0, 5.0, 2.0f, 3.0f);
    Model model;
    testing::internal::CaptureStdout();
    model.adoptScene(scene.get(), "memory/eye");
    testing::internal::GetCapturedStdout();
    Registry registry;
    Entity player = registry.create();
    registry.emplace<Camera>(player);
    registry.emplace<Transform>(player);
    registry.emplace<Drawable>(player, makeDrawable(&model, Shader{}));

    FrameCamera frame;
    updateCameras(registry, 0.0f, frame);
    // The view takes its eye to the origin: the frame's camera_world and the listener are that point.
    const glm::vec4 eye = frame.view * glm::vec4(frame.position, 1.0f);
    EXPECT_NEAR(glm::length(glm::vec3(eye)), 0.0f, 1e-4f) << eye.x << " " << eye.y << " " << eye.z;
    EXPECT_EQ(listenerPose(registry.get<Camera>(player)).position, frame.position);
}

TEST_F(CameraWorld, StoppedDrawableHoldsTheCamera) {
    registry.get<Drawable>(player).animated = false;
    FrameCamera frame;
    for (int i = 0; i < 5; ++i) updateCameras(registry, 0.25f, frame);
    EXPECT_EQ(registry.get<Drawable>(player).cameraTime, 0.0f);
    EXPECT_NEAR(frame.position.x, 2.0f, 1e-5f);
}

TEST(FrameCameraDefault, WithoutACameraTheFrameSeesFromTheOrigin) {
    Registry registry;
    FrameCamera frame;
    updateCameras(registry, 0.1f, frame);
    EXPECT_EQ(frame.view, glm::mat4(1.0f));
    EXPECT_EQ(frame.inverseView, glm::mat4(1.0f));
    EXPECT_EQ(frame.position, glm::vec3(0.0f));
}
