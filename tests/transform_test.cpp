// World matrices: scale, then rotation, then position, through live parents only.
#include "world/transform.h"

#include "support/matchers.h"

#include <glm/gtc/constants.hpp>
#include <gtest/gtest.h>

namespace {
glm::vec3 apply(const glm::mat4& m, glm::vec3 p) { return glm::vec3(m * glm::vec4(p, 1.0f)); }
}  // namespace

TEST(Transform, ScaleThenTurnThenMove) {
    Registry r;
    Transform t;
    t.position = glm::vec3(0, 0, 3);
    t.scale = glm::vec3(2, 1, 1);
    t.rotation = rotationFromEuler(glm::vec3(0, glm::half_pi<float>(), 0));  // +x turns to -z
    EXPECT_TRUE(vecNear(apply(worldMatrix(t, r), glm::vec3(1, 0, 0)), glm::vec3(0, 0, 1)));
    EXPECT_TRUE(vecNear(rotationFromEuler(glm::vec3(glm::half_pi<float>(), 0, 0)) * glm::vec3(0, 1, 0), {0, 0, 1}));
}

TEST(Transform, ParentChainCountsOnlyLiveParentsWithATransform) {
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
    EXPECT_TRUE(vecNear(apply(worldMatrix(child, r), glm::vec3(0)), {10, 5, 1}));
    // A destroyed parent, even with its slot reused, and a live entity without a Transform are no parents.
    r.destroy(parent);
    Entity reused = r.create();
    r.emplace<Transform>(reused).position = glm::vec3(100, 0, 0);
    ASSERT_EQ(entityIndex(reused), entityIndex(parent));
    EXPECT_TRUE(vecNear(apply(worldMatrix(child, r), glm::vec3(0)), {0, 0, 1}));
    child.parent = r.create();
    EXPECT_TRUE(vecNear(apply(worldMatrix(child, r), glm::vec3(0)), {0, 0, 1}));
}
