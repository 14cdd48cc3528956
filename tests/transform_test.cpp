// World matrices and Euler rotations.
#include "world/transform.h"

#include <gtest/gtest.h>

#include <glm/gtc/constants.hpp>

namespace {
glm::vec3 apply(const glm::mat4& m, glm::vec3 p) { return glm::vec3(m * glm::vec4(p, 1.0f)); }

void expectNear(glm::vec3 a, glm::vec3 b) {
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
    EXPECT_NEAR(a.z, b.z, 1e-5f);
}
}  // namespace

TEST(Transform, PlainTranslation) {
    Registry r;
    Transform t;
    t.position = glm::vec3(0, 0, 3);
    glm::mat4 expected(1.0f);
    expected[3] = glm::vec4(0, 0, 3, 1);
    EXPECT_EQ(worldMatrix(t, r), expected);
}

TEST(Transform, ScaleComesBeforeRotation) {
    Registry r;
    Transform t;
    t.scale = glm::vec3(2, 1, 1);
    t.rotation = rotationFromEuler(glm::vec3(0, glm::half_pi<float>(), 0));
    expectNear(apply(worldMatrix(t, r), glm::vec3(1, 0, 0)), glm::vec3(0, 0, -2));
}

TEST(Transform, ParentChainAndStaleParents) {
    Registry r;
    Entity grand = r.create();
    r.emplace<Transform>(grand).position = glm::vec3(10, 0, 0);
    Entity parent = r.create();
    Transform& pt = r.emplace<Transform>(parent);
    pt.position = glm::vec3(0, 5, 0);
    pt.parent = grand;
    Transform child;
    child.position = glm::vec3(0, 0, 1);
    child.parent = parent;
    expectNear(apply(worldMatrix(child, r), glm::vec3(0)), glm::vec3(10, 5, 1));

    // A destroyed parent (even with its index reused) is ignored.
    r.destroy(parent);
    Entity reused = r.create();
    r.emplace<Transform>(reused).position = glm::vec3(100, 0, 0);
    ASSERT_EQ(entityIndex(reused), entityIndex(parent));
    expectNear(apply(worldMatrix(child, r), glm::vec3(0)), glm::vec3(0, 0, 1));

    // A live parent without a Transform is no parent either.
    Entity bare = r.create();
    child.parent = bare;
    expectNear(apply(worldMatrix(child, r), glm::vec3(0)), glm::vec3(0, 0, 1));
}

TEST(Transform, EulerHalfAngleForm) {
    glm::quat id = rotationFromEuler(glm::vec3(0));
    EXPECT_EQ(id.x, 0.0f);
    EXPECT_EQ(id.y, 0.0f);
    EXPECT_EQ(id.z, 0.0f);
    EXPECT_EQ(id.w, 1.0f);
    glm::quat qx = rotationFromEuler(glm::vec3(glm::half_pi<float>(), 0, 0));
    expectNear(qx * glm::vec3(0, 1, 0), glm::vec3(0, 0, 1));
    glm::quat qz = rotationFromEuler(glm::vec3(0, 0, glm::half_pi<float>()));
    expectNear(qz * glm::vec3(1, 0, 0), glm::vec3(0, 1, 0));
    // Stored x, y, z, w in memory, as the components are uploaded.
    const float* raw = &qz.x;
    EXPECT_NEAR(raw[2], std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(raw[3], std::sqrt(0.5f), 1e-6f);
}
