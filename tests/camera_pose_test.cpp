// Camera pose and camera system: the model camera flown by its node, the frame's copy, the listener.
#include "animation/camera_pose.h"

#include "assets/model.h"
#include "audio/timeline.h"
#include "support/matchers.h"
#include "support/scene_builder.h"
#include "world/camera_system.h"
#include "world/components.h"

#include <assimp/scene.h>
#include <gtest/gtest.h>

namespace {

// A camera looking along +x whose node moves one unit along x per tick, over 100 ticks at 10 a second.
struct Flight : ::testing::Test {
    std::unique_ptr<aiScene> scene = makeScene();
    aiAnimation* clip = nullptr;
    Model model;
    glm::vec3 position{9.0f};
    glm::mat4 view{9.0f}, inverseView{9.0f};

    void SetUp() override {
        addNode(scene->mRootNode, "Camera");
        addCamera(*scene, "Camera", aiVector3D(0, 0, 0), aiVector3D(0, 1, 0), aiVector3D(1, 0, 0));
        clip = addAnimation(*scene, "flight", 100.0, 10.0);
        aiNodeAnim* channel = addChannel(*clip, "Camera");
        addPositionKey(*channel, 0.0, aiVector3D(0, 0, 0));
        addPositionKey(*channel, 100.0, aiVector3D(100, 0, 0));
    }
    void pose(float t) { model.updateCameraFromAnimation(t, position, view, inverseView); }
};

}  // namespace

TEST_F(Flight, TheEyeFollowsTheNodeLoopsWithTheClipAndLooksAlongItsLookAt) {
    const struct {
        const char* name;
        double ticksPerSecond;
        aiMatrix4x4 root;
        float t, x;
    } cases[] = {
        {"start", 10.0, aiMatrix4x4(), 0.0f, 0.0f},         {"20 ticks", 10.0, aiMatrix4x4(), 2.0f, 20.0f},
        {"one loop", 10.0, aiMatrix4x4(), 10.0f, 0.0f},     {"120 ticks wrap", 10.0, aiMatrix4x4(), 12.0f, 20.0f},
        {"no rate: 25", 0.0, aiMatrix4x4(), 2.0f, 50.0f},
        {"moved root", 10.0, translation(0, 0, 5) * rotationZ(0.3f), 3.0f, 30.0f},
    };
    for (const auto& c : cases) {
        clip->mTicksPerSecond = c.ticksPerSecond;
        scene->mRootNode->mTransformation = c.root;
        Model fresh;
        fresh.adoptScene(scene.get(), "memory/flight");
        fresh.updateCameraFromAnimation(c.t, position, view, inverseView);
        EXPECT_TRUE(vecNear(position, {c.x, 0, 0}, 1e-4f)) << c.name;
        EXPECT_TRUE(vecNear(glm::vec3(inverseView[3]), position, 1e-4f)) << c.name << ": the eye of the view";
        // A point ahead on +x lands in front of the view (negative z), up stays up.
        EXPECT_TRUE(vecNear(glm::vec3(view * glm::vec4(position + glm::vec3(5, 1, 0), 1)), {0, 1, -5}, 1e-3f))
            << c.name;
    }
}

TEST_F(Flight, ALostCameraNodeKeepsTheLastPoseAndNoAnimationGivesTheFixedCameraEachReportedOnce) {
    model.adoptScene(scene.get(), "memory/flight");
    pose(2.0f);
    const glm::mat4 lastView = view;
    model.cameraName = "not a node";
    ::testing::internal::CaptureStdout();
    pose(3.0f);
    pose(4.0f);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Model has no animated camera: memory/flight\n");
    EXPECT_EQ(view, lastView);

    Model failed;  // a failed import: no camera, no clip
    ::testing::internal::CaptureStdout();
    failed.updateCameraFromAnimation(1.0f, position, view, inverseView);
    failed.updateCameraFromAnimation(2.0f, position, view, inverseView);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Model has no animated camera: \n");
    EXPECT_EQ(position, glm::vec3(0.0f));
    EXPECT_EQ(inverseView, glm::mat4(1.0f));
    EXPECT_EQ(view, glm::mat4(1.0f));
}

TEST_F(Flight, CameraSystemRunsTheFlightClockAndTheListenerHearsWhereTheViewLooks) {
    scene->mCameras[0]->mPosition = aiVector3D(1, 2, 3);  // an eye away from its node
    model.adoptScene(scene.get(), "memory/flight");
    Registry registry;
    FrameCamera frame;
    updateCameras(registry, 0.1f, frame);
    EXPECT_EQ(frame.view, glm::mat4(1.0f)) << "without a camera the frame sees from the origin";
    Entity player = registry.create();
    registry.emplace<Camera>(player);
    registry.emplace<Transform>(player);
    registry.emplace<Drawable>(player, makeDrawable(&model, Shader{}));
    updateCameras(registry, 0.0f, frame);
    const glm::vec3 start = frame.position;
    for (int i = 0; i < 4; ++i) updateCameras(registry, 0.5f, frame);
    EXPECT_EQ(registry.get<Drawable>(player).cameraTime, 2.0f);
    EXPECT_EQ(registry.get<Drawable>(player).animationTime, 0.0f) << "the animation clock is not the camera's";
    EXPECT_TRUE(vecNear(frame.position - start, {20, 0, 0}, 1e-4f));  // 20 ticks along
    // The frame's eye, lit and heard from, is the point the view looks from.
    EXPECT_TRUE(vecNear(glm::vec3(frame.view * glm::vec4(frame.position, 1)), {0, 0, 0}, 1e-4f));
    const ListenerPose heard = listenerPose(registry.get<Camera>(player));
    EXPECT_EQ(heard.position, frame.position);
    EXPECT_TRUE(vecNear(heard.lookDirection, {1, 0, 0})) << "+z would swap left and right";
    AudioState silent;
    updateListener(registry, silent);  // no sound engine: nothing to hear, nothing to crash

    registry.get<Drawable>(player).animated = false;
    updateCameras(registry, 5.0f, frame);
    EXPECT_EQ(registry.get<Drawable>(player).cameraTime, 2.0f) << "a stopped model holds its camera";
}
