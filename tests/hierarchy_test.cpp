// Node hierarchy on scenes built in memory: bone matrices, clip time, and the search for a named node.
#include "animation/hierarchy.h"

#include "assets/assimp_convert.h"
#include "assets/model.h"
#include "support/matchers.h"
#include "support/scene_builder.h"

#include <assimp/scene.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>

namespace {

glm::vec3 apply(const glm::mat4& m, const glm::vec3& p) { return glm::vec3(m * glm::vec4(p, 1.0f)); }

// root (at z = 5) -> arm (x + 1, turned 90 degrees about z by its channel) -> hand (y + 2); a side branch
// root -> prop -> lamp lies off the chain of first children.
struct Rig : ::testing::Test {
    std::unique_ptr<aiScene> scene = makeScene("root", translation(0, 0, 5));
    Model model;
    aiAnimation* clip = nullptr;
    aiNodeAnim* armChannel = nullptr;

    void SetUp() override {
        aiNode* arm = addNode(scene->mRootNode, "arm", translation(1, 0, 0));
        addNode(arm, "hand", translation(0, 2, 0));
        aiNode* prop = addNode(scene->mRootNode, "prop", translation(0, 0, 1));
        addNode(prop, "lamp", translation(3, 0, 0));
        clip = addAnimation(*scene, "wave", 100.0, 50.0);
        armChannel = addChannel(*clip, "arm");
        addPositionKey(*armChannel, 0.0, aiVector3D(1, 0, 0));
        addScalingKey(*armChannel, 0.0, aiVector3D(1, 1, 1));
        addRotationKey(*armChannel, 0.0, aiQuaternion());
        addRotationKey(*armChannel, 100.0, aiQuaternion(aiVector3D(0, 0, 1), glm::pi<float>()));
    }

    // The meshes are left out of the node tree, so the walk needs no GL; bones go in through the weights.
    void adoptWithBones() {
        model.adoptScene(scene.get(), "memory/rig");
        aiMesh* skin = makeTriangle("skin");
        addBoneWeight(*skin, "hand", 0, 1.0f, translation(-1, -2, 0));
        addBoneWeight(*skin, "arm", 1, 1.0f, translation(-1, 0, 0));
        addBoneWeight(*skin, "ghost", 2, 1.0f);  // no node carries this name
        addMesh(*scene, nullptr, skin);
        std::vector<Vertex> vertices(3);
        model.extractBoneWeights(vertices, skin);
    }
};

}  // namespace

TEST_F(Rig, BoneMatricesMatchTheHandComputedChain) {
    adoptWithBones();
    ASSERT_EQ(model.boneCount, 3u);
    std::vector<glm::mat4> bones;
    model.boneTransforms(1.0f, bones);  // 50 ticks: the arm is turned 90 degrees
    ASSERT_EQ(bones.size(), 3u);
    const glm::mat4 root = glm::translate(glm::mat4(1), {0, 0, 5});
    const glm::mat4 arm = glm::translate(glm::mat4(1), {1, 0, 0}) *
                          glm::rotate(glm::mat4(1), glm::half_pi<float>(), {0, 0, 1});
    const glm::mat4 hand = glm::translate(glm::mat4(1), {0, 2, 0});
    const glm::mat4 rootInverse = glm::inverse(root);
    EXPECT_TRUE(matNear(bones[0], rootInverse * root * arm * hand * glm::translate(glm::mat4(1), {-1, -2, 0})));
    EXPECT_TRUE(matNear(bones[1], rootInverse * root * arm * glm::translate(glm::mat4(1), {-1, 0, 0})));
    // The hand's rest position (1, 2, 0) swings round the arm's joint to (-1, 0, 0).
    EXPECT_TRUE(vecNear(apply(bones[0], {1, 2, 0}), {-1, 0, 0}));
}

TEST_F(Rig, BoneWithoutNodeStaysIdentity) {
    adoptWithBones();
    std::vector<glm::mat4> bones;
    model.boneTransforms(0.5f, bones);
    ASSERT_EQ(model.boneIndexByName.at("ghost"), 2u);
    EXPECT_TRUE(matNear(bones[2], glm::mat4(1.0f), 0.0f));
}

TEST_F(Rig, ClipLoopsOverItsDuration) {
    adoptWithBones();
    std::vector<glm::mat4> atZero, atTwo, atFour, atHalf;
    model.boneTransforms(0.0f, atZero);
    model.boneTransforms(2.0f, atTwo);  // 100 ticks, exactly one loop
    model.boneTransforms(4.0f, atFour);
    model.boneTransforms(2.5f, atHalf);
    for (int b = 0; b < 2; ++b) {
        EXPECT_TRUE(matNear(atTwo[b], atZero[b])) << b;
        EXPECT_TRUE(matNear(atFour[b], atZero[b])) << b;
    }
    EXPECT_FALSE(matNear(atHalf[0], atZero[0]));
}

TEST_F(Rig, ZeroTicksPerSecondRunsAtTwentyFive) {
    clip->mTicksPerSecond = 0.0;
    EXPECT_EQ(ticksPerSecond(*clip), 25.0);
    EXPECT_FLOAT_EQ(animationTicks(*clip, 1.0f), 25.0f);
    adoptWithBones();
    std::vector<glm::mat4> bones;
    model.boneTransforms(2.0f, bones);  // 50 ticks: a quarter turn
    EXPECT_TRUE(vecNear(apply(bones[1], {1, 0, 0}), {1, 0, 0}));
    EXPECT_TRUE(vecNear(apply(bones[1], {2, 0, 0}), {1, 1, 0}));
}

TEST_F(Rig, ClipOfNoLengthHoldsItsFirstPose) {
    clip->mDuration = 0.0;
    EXPECT_EQ(animationTicks(*clip, 3.0f), 0.0f);
    adoptWithBones();
    std::vector<glm::mat4> bones;
    model.boneTransforms(3.0f, bones);
    for (int i = 0; i < 16; ++i) EXPECT_FALSE(std::isnan((&bones[0][0][0])[i]));
    EXPECT_TRUE(vecNear(apply(bones[1], {2, 0, 0}), {2, 0, 0}));
}

TEST_F(Rig, TimeWrapKeepsTheSignOfNegativeTimes) {
    EXPECT_FLOAT_EQ(animationTicks(*clip, -0.5f), -25.0f);
    EXPECT_FLOAT_EQ(animationTicks(*clip, 2.5f), 25.0f);
}

TEST_F(Rig, NamedNodeIsFoundOffTheFirstChildChain) {
    model.adoptScene(scene.get(), "memory/rig");
    glm::mat4 lamp(0.0f);
    ASSERT_TRUE(model.nodeGlobalTransform(lamp, 0.0f, "lamp"));
    EXPECT_TRUE(vecNear(apply(lamp, {0, 0, 0}), {3, 0, 6}));
    glm::mat4 hand(0.0f);
    ASSERT_TRUE(model.nodeGlobalTransform(hand, 50.0f, scene->mRootNode, glm::mat4(1.0f), "hand"));
    EXPECT_TRUE(vecNear(apply(hand, {0, 0, 0}), {-1, 0, 5}));
}

TEST_F(Rig, RootNameGivesTheRootsLocalMatrix) {
    model.adoptScene(scene.get(), "memory/rig");
    glm::mat4 root(0.0f);
    ASSERT_TRUE(model.nodeGlobalTransform(root, 10.0f, "root"));
    EXPECT_TRUE(matNear(root, glm::translate(glm::mat4(1), {0, 0, 5}), 0.0f));
}

TEST_F(Rig, MissingNameLeavesTheCallersValue) {
    model.adoptScene(scene.get(), "memory/rig");
    glm::mat4 kept(7.0f);
    EXPECT_FALSE(model.nodeGlobalTransform(kept, 0.0f, "nowhere"));
    EXPECT_TRUE(matNear(kept, glm::mat4(7.0f), 0.0f));
    // Names compare as whole strings, not prefixes.
    EXPECT_FALSE(model.nodeGlobalTransform(kept, 0.0f, "han"));
}

TEST_F(Rig, OnlyChannelsOfTheChosenClipOnNodesAreMapped) {
    aiAnimation* longer = addAnimation(*scene, "walk", 200.0, 10.0);
    aiNodeAnim* hand = addChannel(*longer, "hand");
    addPositionKey(*hand, 0.0, aiVector3D(0, 2, 0));
    addChannel(*longer, "nobody");
    model.adoptScene(scene.get(), "memory/rig");
    EXPECT_EQ(model.animationIndex, 1u);
    ASSERT_EQ(model.channelByNode.size(), 1u);
    EXPECT_EQ(model.channelByNode.at("hand"), hand);
}

TEST(HierarchyWithoutAnimation, BoneListStaysUntouched) {
    auto scene = makeScene();
    addNode(scene->mRootNode, "bone");
    Model model;
    model.adoptScene(scene.get(), "memory/still");
    std::vector<glm::mat4> bones(2, glm::mat4(3.0f));
    model.boneTransforms(1.0f, bones);
    EXPECT_EQ(bones.size(), 2u);
    EXPECT_TRUE(model.channelByNode.empty());
    EXPECT_EQ(model.animationIndex, 0u);
}

TEST(HierarchyWithoutScene, EveryWalkReturnsWithoutTouchingIt) {
    Model model;  // what a failed import leaves
    std::vector<glm::mat4> bones;
    model.boneTransforms(1.0f, bones);
    EXPECT_TRUE(bones.empty());
    glm::mat4 kept(2.0f);
    EXPECT_FALSE(model.nodeGlobalTransform(kept, 0.0f, "root"));
    EXPECT_TRUE(matNear(kept, glm::mat4(2.0f), 0.0f));
    EXPECT_EQ(model.chosenAnimation(), nullptr);
    EXPECT_TRUE(model.lightNames.empty());
}

TEST(ExtractBoneWeights, WeightForAVertexOutsideTheMeshIsSkipped) {
    Model model;
    aiMesh* mesh = makeTriangle("tri");
    addBoneWeight(*mesh, "bone", 1, 0.5f);
    addBoneWeight(*mesh, "bone", 3, 0.5f);   // one past the last vertex
    addBoneWeight(*mesh, "bone", 900, 0.5f);
    std::vector<Vertex> vertices(3);
    model.extractBoneWeights(vertices, mesh);
    EXPECT_EQ(model.boneCount, 1u);
    EXPECT_EQ(vertices[1].boneWeights[0], 0.5f);
    EXPECT_EQ(vertices[0].boneWeights[0], 0.0f);
    EXPECT_EQ(vertices[2].boneWeights[0], 0.0f);
    delete mesh;
}
