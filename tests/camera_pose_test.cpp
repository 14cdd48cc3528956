// Camera pose from a model camera on scenes built in memory: the basis, the clip wrap, the fixed fallback.
#include "animation/camera_pose.h"

#include "assets/model.h"
#include "support/matchers.h"
#include "support/scene_builder.h"

#include <assimp/scene.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

namespace {

glm::vec4 row(const glm::mat4& m, int r) { return glm::vec4(m[0][r], m[1][r], m[2][r], m[3][r]); }

// A camera node that moves along x by one unit per tick over a clip of 100 ticks at 10 per second.
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

TEST(CameraBasis, FileCameraLooksAlongItsLookAt) {
    const glm::mat4 inverseView = cameraBasis({0, 0, 0}, {0, 1, 0}, {1, 0, 0});
    EXPECT_EQ(row(inverseView, 0), glm::vec4(0, 0, -1, 0));
    EXPECT_EQ(row(inverseView, 1), glm::vec4(0, 1, 0, 0));
    EXPECT_EQ(row(inverseView, 2), glm::vec4(1, 0, 0, 0));
    EXPECT_EQ(row(inverseView, 3), glm::vec4(0, 0, 0, 1));
    // The camera's -z axis maps onto the look-at vector.
    EXPECT_TRUE(vecNear(glm::vec3(inverseView * glm::vec4(0, 0, -1, 0)), {1, 0, 0}));
}

TEST(CameraBasis, VectorsAreNormalisedAndZeroStaysZero) {
    const glm::mat4 scaled = cameraBasis({0, 0, 0}, {0, 4, 0}, {3, 0, 0});
    EXPECT_TRUE(matNear(scaled, cameraBasis({0, 0, 0}, {0, 1, 0}, {1, 0, 0})));
    const glm::mat4 degenerate = cameraBasis({0, 0, 0}, {0, 0, 0}, {0, 0, 2});
    EXPECT_EQ(row(degenerate, 0), glm::vec4(0, 0, 0, 0));
    EXPECT_EQ(row(degenerate, 2), glm::vec4(0, 0, 1, 0));
    const glm::mat4 moved = cameraBasis({1, 2, 3}, {0, 1, 0}, {1, 0, 0});
    EXPECT_EQ(moved[3], glm::vec4(3, -2, -1, 1));  // -(r.p, u.p, l.p)
}

TEST_F(Flight, PoseAtTimeZeroWithIdentityNodes) {
    model.adoptScene(scene.get(), "memory/flight");
    pose(0.0f);
    EXPECT_TRUE(matNear(inverseView, cameraBasis({0, 0, 0}, {0, 1, 0}, {1, 0, 0})));
    EXPECT_TRUE(matNear(view, glm::inverse(inverseView)));
    EXPECT_TRUE(vecNear(position, {0, 0, 0}));
    // A point ahead on +x lands in front of the view (negative z).
    EXPECT_TRUE(vecNear(glm::vec3(view * glm::vec4(5, 0, 0, 1)), {0, 0, -5}));
}

TEST_F(Flight, NodeAnimationMovesTheCamera) {
    model.adoptScene(scene.get(), "memory/flight");
    pose(2.0f);  // 20 ticks
    EXPECT_TRUE(vecNear(position, {20, 0, 0}));
    EXPECT_TRUE(vecNear(glm::vec3(inverseView[3]), {20, 0, 0}));
}

TEST_F(Flight, PastTheClipTheFlightStartsOver) {
    model.adoptScene(scene.get(), "memory/flight");
    pose(12.0f);  // 120 ticks wrap to 20
    EXPECT_TRUE(vecNear(position, {20, 0, 0}, 1e-4f));
    pose(10.0f);  // exactly one loop: back at the start
    EXPECT_TRUE(vecNear(position, {0, 0, 0}, 1e-4f));
}

TEST_F(Flight, ZeroTicksPerSecondRunsAtTwentyFive) {
    clip->mTicksPerSecond = 0.0;
    model.adoptScene(scene.get(), "memory/flight");
    pose(2.0f);
    EXPECT_TRUE(vecNear(position, {50, 0, 0}, 1e-4f));
}

TEST_F(Flight, RootTransformAppliesToViewAndPositionAlike) {
    scene->mRootNode->mTransformation = translation(0, 0, 5) * rotationZ(0.3f);
    model.adoptScene(scene.get(), "memory/flight");
    pose(3.0f);
    // The eye of the view and the reported position are the same point.
    EXPECT_TRUE(vecNear(position, glm::vec3(inverseView[3]), 1e-4f));
    EXPECT_TRUE(vecNear(position, {30, 0, 0}, 1e-4f));
}

TEST_F(Flight, CameraNodeMissingKeepsTheLastPoseAndIsReportedOnce) {
    model.adoptScene(scene.get(), "memory/flight");
    pose(2.0f);
    const glm::mat4 lastView = view;
    model.cameraName = "not a node";
    ::testing::internal::CaptureStdout();
    pose(3.0f);
    pose(4.0f);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Model has no animated camera: memory/flight\n");
    EXPECT_TRUE(vecNear(position, {20, 0, 0}));
    EXPECT_EQ(view, lastView);
}

TEST_F(Flight, WithoutAnimationTheCameraIsFixedAndReportedOnce) {
    delete scene->mAnimations[0];
    delete[] scene->mAnimations;
    scene->mAnimations = nullptr;
    scene->mNumAnimations = 0;
    model.adoptScene(scene.get(), "memory/flight");
    ::testing::internal::CaptureStdout();
    pose(1.0f);
    pose(2.0f);
    const std::string output = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(output, "Model has no animated camera: memory/flight\n");
    EXPECT_TRUE(matNear(inverseView, glm::mat4(1.0f), 0.0f));
    EXPECT_TRUE(matNear(view, glm::mat4(1.0f), 0.0f));
    EXPECT_EQ(position, glm::vec3(0.0f));
}

TEST(CameraWithoutModel, FailedImportGivesTheFixedCamera) {
    Model model;
    glm::vec3 position(4.0f);
    glm::mat4 view(4.0f), inverseView(4.0f);
    ::testing::internal::CaptureStdout();
    model.updateCameraFromAnimation(1.0f, position, view, inverseView);
    EXPECT_NE(::testing::internal::GetCapturedStdout().find("Model has no animated camera"), std::string::npos);
    EXPECT_EQ(position, glm::vec3(0.0f));
    EXPECT_TRUE(matNear(inverseView, glm::mat4(1.0f), 0.0f));
}
