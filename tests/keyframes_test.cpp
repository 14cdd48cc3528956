// Keyframe interpolation: values at and between keys, the ends held, the quaternion mix, T x R x S.
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
}  // namespace

TEST(Keyframes, ValuesAtAndBetweenKeysWithTheEndsHeld) {
    aiNodeAnim channel;
    addPositionKey(channel, 10.0, aiVector3D(0, 0, 0));
    addPositionKey(channel, 20.0, aiVector3D(10, 20, 30));
    addPositionKey(channel, 40.0, aiVector3D(10, 0, 30));
    addScalingKey(channel, 10.0, aiVector3D(1, 1, 1));
    addScalingKey(channel, 20.0, aiVector3D(3, 3, 3));
    addRotationKey(channel, 10.0, aiQuaternion());
    addRotationKey(channel, 20.0, aroundZ(glm::half_pi<float>()));
    // angle: of the turn about z.
    const struct { float t, scale, angle; glm::vec3 position; } cases[] = {
        {10.0f, 1.0f, 0.0f, {0, 0, 0}},                             // on the first key
        {12.5f, 1.5f, glm::half_pi<float>() / 4, {2.5f, 5, 7.5f}},  // between: linear in time
        {20.0f, 3.0f, glm::half_pi<float>(), {10, 20, 30}},         // on an inner key
        {30.0f, 3.0f, glm::half_pi<float>(), {10, 10, 30}},
        {5.0f, 1.0f, 0.0f, {0, 0, 0}},                              // before the first: held, not extrapolated
        {1000.0f, 3.0f, glm::half_pi<float>(), {10, 0, 30}},        // after the last: held
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(vecNear(interpolatePosition(c.t, channel), c.position, 1e-4f)) << "t = " << c.t;
        EXPECT_TRUE(vecNear(interpolateScaling(c.t, channel), glm::vec3(c.scale), 1e-5f)) << "t = " << c.t;
        const glm::vec3 x = glm::mat3_cast(interpolateRotation(c.t, channel)) * glm::vec3(1, 0, 0);
        EXPECT_TRUE(vecNear(x, {std::cos(c.angle), std::sin(c.angle), 0})) << "t = " << c.t;
    }
}

// Between keys of opposite sign the mix keeps the longer arc; opposite keys halfway give the identity, not NaN.
// A channel scales, turns, then moves; a kind without keys comes from the node.
TEST(Keyframes, TheMixKeepsTheLongerArcAndALocalMatrixIsTRS) {
    const glm::quat a(1, 0, 0, 0), b = -toGlm(aroundZ(glm::half_pi<float>()));
    auto x = [](const glm::quat& q) { return glm::mat3_cast(q) * glm::vec3(1, 0, 0); };
    EXPECT_TRUE(vecNear(x(mixRotation(a, b, 0.5f)), {-std::sqrt(0.5f), -std::sqrt(0.5f), 0}));
    EXPECT_TRUE(vecNear(x(mixRotation(a, -a, 0.5f)), {1, 0, 0}));

    aiNode node("arm");
    node.mTransformation = translation(5, 6, 7) * aiMatrix4x4(aiVector3D(2, 2, 2), aiQuaternion(), aiVector3D());
    aiNodeAnim full, turnOnly;
    addPositionKey(full, 0.0, aiVector3D(1, 2, 3));
    addRotationKey(full, 0.0, aroundZ(glm::half_pi<float>()));
    addScalingKey(full, 0.0, aiVector3D(2, 3, 4));
    addRotationKey(turnOnly, 0.0, aroundZ(glm::half_pi<float>()));
    // x: where (1, 0, 0) goes.
    const struct { const char* name; const aiNodeAnim* channel; glm::vec3 x; } cases[] = {
        {"full channel", &full, {1, 4, 3}},     // scaled (2,0,0), turned (0,2,0), moved by the key
        {"rotation only", &turnOnly, {5, 8, 7}},  // the node's scale and place around the key's turn
        {"no channel", nullptr, {7, 6, 7}},     // the node's own transformation
    };
    for (const auto& c : cases) {
        const ChannelMap channels = c.channel ? ChannelMap{{"arm", c.channel}} : ChannelMap{};
        EXPECT_TRUE(vecNear(apply(nodeLocalTransform(0.0f, node, channels), {1, 0, 0}), c.x, 1e-5f)) << c.name;
    }
}
