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
glm::vec3 apply(const glm::mat4& m, glm::vec3 p) { return glm::vec3(m * glm::vec4(p, 1.0f)); }
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
    const struct {
        float t;
        glm::vec3 position;
        float scale;
        float angle;  // about z
    } cases[] = {
        {10.0f, {0, 0, 0}, 1.0f, 0.0f},                            // on the first key
        {12.5f, {2.5f, 5, 7.5f}, 1.5f, glm::half_pi<float>() / 4},  // between: linear in time
        {15.0f, {5, 10, 15}, 2.0f, glm::quarter_pi<float>()},
        {20.0f, {10, 20, 30}, 3.0f, glm::half_pi<float>()},       // on an inner key
        {30.0f, {10, 10, 30}, 3.0f, glm::half_pi<float>()},
        {5.0f, {0, 0, 0}, 1.0f, 0.0f},                             // before the first: held, not extrapolated
        {1000.0f, {10, 0, 30}, 3.0f, glm::half_pi<float>()},       // after the last: held
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(vecNear(interpolatePosition(c.t, channel), c.position, 1e-4f)) << "t = " << c.t;
        EXPECT_TRUE(vecNear(interpolateScaling(c.t, channel), glm::vec3(c.scale), 1e-5f)) << "t = " << c.t;
        const glm::vec3 x = glm::mat3_cast(interpolateRotation(c.t, channel)) * glm::vec3(1, 0, 0);
        EXPECT_TRUE(vecNear(x, {std::cos(c.angle), std::sin(c.angle), 0})) << "t = " << c.t;
    }
}

TEST(Keyframes, MixKeepsTheLongerArcOnANegativeDotAndNormalises) {
    const glm::quat a(1, 0, 0, 0);
    const glm::quat b = -toGlm(aroundZ(glm::half_pi<float>()));  // the same rotation, other sign
    // Halfway along the long way round is a turn of -135 degrees, not +45.
    const glm::vec3 x = glm::mat3_cast(mixRotation(a, b, 0.5f)) * glm::vec3(1, 0, 0);
    EXPECT_TRUE(vecNear(x, {-std::sqrt(0.5f), -std::sqrt(0.5f), 0}));
    EXPECT_TRUE(quatNear(mixRotation(glm::quat(2, 0, 0, 0), glm::quat(2, 0, 0, 0), 0.3f), a));
    // Opposite keys cancel halfway; the identity stands in for the zero quaternion.
    EXPECT_TRUE(quatNear(mixRotation(a, -a, 0.5f), a));
}

TEST(Keyframes, ChannelScalesTurnsThenMovesAndMissingKindsComeFromTheNode) {
    aiNode arm("arm");
    arm.mTransformation = translation(100, 100, 100);
    aiNodeAnim full;
    addPositionKey(full, 0.0, aiVector3D(1, 2, 3));
    addRotationKey(full, 0.0, aroundZ(glm::half_pi<float>()));
    addScalingKey(full, 0.0, aiVector3D(2, 3, 4));
    // (1,0,0) -> scaled (2,0,0) -> turned (0,2,0) -> moved (1,4,3); the node's own matrix is replaced.
    EXPECT_TRUE(vecNear(apply(nodeLocalTransform(0.0f, arm, {{"arm", &full}}), {1, 0, 0}), {1, 4, 3}));

    aiNode door("door");
    door.mTransformation = translation(5, 6, 7) * aiMatrix4x4(aiVector3D(2, 2, 2), aiQuaternion(), aiVector3D());
    aiNodeAnim turnOnly;
    addRotationKey(turnOnly, 0.0, aroundZ(glm::half_pi<float>()));
    EXPECT_TRUE(vecNear(apply(nodeLocalTransform(0.0f, door, {{"door", &turnOnly}}), {1, 0, 0}), {5, 8, 7}));
    // Without a channel the node keeps its transformation.
    EXPECT_TRUE(vecNear(apply(nodeLocalTransform(0.0f, door, {}), {1, 0, 0}), {7, 6, 7}));
}
