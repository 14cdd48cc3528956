// Keyframe interpolation on channels built in memory: key search, the quaternion mix, local matrices.
#include "animation/keyframes.h"

#include "assets/assimp_convert.h"
#include "support/matchers.h"
#include "support/scene_builder.h"

#include <assimp/anim.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>

namespace {

aiQuaternion aroundZ(float radians) { return aiQuaternion(aiVector3D(0, 0, 1), radians); }

struct TwoKeyChannel : ::testing::Test {
    aiNodeAnim channel;
    void SetUp() override {
        addPositionKey(channel, 10.0, aiVector3D(0, 0, 0));
        addPositionKey(channel, 20.0, aiVector3D(10, 20, 30));
        addPositionKey(channel, 40.0, aiVector3D(10, 0, 30));
        addScalingKey(channel, 10.0, aiVector3D(1, 1, 1));
        addScalingKey(channel, 20.0, aiVector3D(3, 3, 3));
        addRotationKey(channel, 10.0, aiQuaternion());
        addRotationKey(channel, 20.0, aroundZ(glm::half_pi<float>()));
    }
};

}  // namespace

TEST(Keyframes, SingleKeysHoldWhateverTheTime) {
    aiNodeAnim channel;
    addPositionKey(channel, 5.0, aiVector3D(1, 2, 3));
    addScalingKey(channel, 5.0, aiVector3D(2, 2, 2));
    // A lone rotation key is taken as it is, not normalised.
    addRotationKey(channel, 5.0, aiQuaternion(2.0f, 0.0f, 0.0f, 0.0f));
    for (float t : {-100.0f, 0.0f, 5.0f, 1e6f}) {
        EXPECT_TRUE(vecNear(interpolatePosition(t, channel), {1, 2, 3}, 0.0f)) << t;
        EXPECT_TRUE(vecNear(interpolateScaling(t, channel), {2, 2, 2}, 0.0f)) << t;
        EXPECT_TRUE(quatNear(interpolateRotation(t, channel), glm::quat(2, 0, 0, 0), 0.0f)) << t;
    }
}

TEST_F(TwoKeyChannel, TimeOnAKeyGivesThatKey) {
    EXPECT_EQ(interpolatePosition(10.0f, channel), glm::vec3(0, 0, 0));
    // 20 begins the second pair, factor 0: the value of key 1 exactly.
    EXPECT_EQ(interpolatePosition(20.0f, channel), glm::vec3(10, 20, 30));
    EXPECT_TRUE(quatNear(interpolateRotation(10.0f, channel), glm::quat(1, 0, 0, 0)));
}

TEST_F(TwoKeyChannel, BetweenKeysIsLinearInTime) {
    EXPECT_TRUE(vecNear(interpolatePosition(15.0f, channel), {5, 10, 15}));
    EXPECT_TRUE(vecNear(interpolatePosition(30.0f, channel), {10, 10, 30}));
    EXPECT_TRUE(vecNear(interpolateScaling(12.5f, channel), {1.5f, 1.5f, 1.5f}));
    const glm::quat half = interpolateRotation(15.0f, channel);
    EXPECT_TRUE(quatNear(half, toGlm(aroundZ(glm::quarter_pi<float>()))));
}

TEST_F(TwoKeyChannel, TimesOutsideTheKeysHoldTheEndKeys) {
    // Extrapolating from the first pair would give (-5, -10, -15) and (20, 40, 60).
    EXPECT_EQ(interpolatePosition(5.0f, channel), glm::vec3(0, 0, 0));
    EXPECT_EQ(interpolatePosition(40.0f, channel), glm::vec3(10, 0, 30));
    EXPECT_EQ(interpolatePosition(1000.0f, channel), glm::vec3(10, 0, 30));
    EXPECT_EQ(interpolateScaling(0.0f, channel), glm::vec3(1, 1, 1));
    EXPECT_EQ(interpolateScaling(25.0f, channel), glm::vec3(3, 3, 3));
    EXPECT_TRUE(quatNear(interpolateRotation(90.0f, channel), toGlm(aroundZ(glm::half_pi<float>()))));
}

TEST(Keyframes, NegativeDotFollowsTheLongerArc) {
    const glm::quat a(1, 0, 0, 0);
    const glm::quat b = -toGlm(aroundZ(glm::half_pi<float>()));  // the same rotation, other sign
    ASSERT_LT(glm::dot(a, b), 0.0f);
    const glm::quat mid = mixRotation(a, b, 0.5f);
    // Halfway along the long way round is a rotation of -135 degrees, not +45.
    EXPECT_TRUE(quatNear(mid, glm::normalize(a + b)));
    const glm::vec3 x = glm::mat3_cast(mid) * glm::vec3(1, 0, 0);
    EXPECT_TRUE(vecNear(x, {-std::sqrt(0.5f), -std::sqrt(0.5f), 0}));
}

TEST(Keyframes, EqualQuaternionsMixLinearlyAndNormalise) {
    const glm::quat doubled(2, 0, 0, 0);
    EXPECT_TRUE(quatNear(mixRotation(doubled, doubled, 0.3f), glm::quat(1, 0, 0, 0)));
    const glm::quat q = toGlm(aroundZ(0.7f));
    EXPECT_TRUE(quatNear(mixRotation(q, q, 0.5f), q));
    // Opposite keys cancel halfway; the identity stands in for a zero quaternion.
    EXPECT_TRUE(quatNear(mixRotation(glm::quat(1, 0, 0, 0), glm::quat(-1, 0, 0, 0), 0.5f), glm::quat(1, 0, 0, 0)));
}

TEST(Keyframes, NodeWithoutChannelKeepsItsOwnTransformation) {
    aiNode node("prop");
    node.mTransformation = translation(1, 2, 3) * rotationZ(0.5f);
    ChannelMap channels;
    EXPECT_TRUE(matNear(nodeLocalTransform(7.0f, node, channels), toGlm(node.mTransformation), 0.0f));
    channels["prop"] = nullptr;
    EXPECT_TRUE(matNear(nodeLocalTransform(7.0f, node, channels), toGlm(node.mTransformation), 0.0f));
}

TEST(Keyframes, ChannelReplacesTheNodeTransformation) {
    aiNode node("arm");
    node.mTransformation = translation(100, 100, 100);
    aiNodeAnim channel;
    addPositionKey(channel, 0.0, aiVector3D(1, 2, 3));
    addRotationKey(channel, 0.0, aroundZ(glm::half_pi<float>()));
    addScalingKey(channel, 0.0, aiVector3D(2, 3, 4));
    const ChannelMap channels{{"arm", &channel}};
    const glm::mat4 expected = glm::translate(glm::mat4(1), {1, 2, 3}) *
                               glm::rotate(glm::mat4(1), glm::half_pi<float>(), {0, 0, 1}) *
                               glm::scale(glm::mat4(1), {2, 3, 4});
    EXPECT_TRUE(matNear(nodeLocalTransform(0.0f, node, channels), expected));
    // Scale first, then rotate, then move: (1,0,0) -> (2,0,0) -> (0,2,0) -> (1,4,3).
    EXPECT_TRUE(vecNear(glm::vec3(nodeLocalTransform(0.0f, node, channels) * glm::vec4(1, 0, 0, 1)), {1, 4, 3}));
}

TEST(Keyframes, KindWithoutKeysComesFromTheNode) {
    aiNode node("door");
    node.mTransformation = translation(5, 6, 7) * aiMatrix4x4(aiVector3D(2, 2, 2), aiQuaternion(), aiVector3D());
    aiNodeAnim channel;  // rotation keys only
    addRotationKey(channel, 0.0, aiQuaternion());
    addRotationKey(channel, 10.0, aroundZ(glm::half_pi<float>()));
    const ChannelMap channels{{"door", &channel}};
    const glm::mat4 expected = glm::translate(glm::mat4(1), {5, 6, 7}) *
                               glm::rotate(glm::mat4(1), glm::half_pi<float>(), {0, 0, 1}) *
                               glm::scale(glm::mat4(1), {2, 2, 2});
    EXPECT_TRUE(matNear(nodeLocalTransform(10.0f, node, channels), expected));
}
