// Node hierarchy: bone matrices through the posed chain and the clip's loop, and the search for a named node.
#include "animation/hierarchy.h"

#include "assets/model.h"
#include "support/matchers.h"
#include "support/scene_builder.h"

#include <assimp/scene.h>
#include <gtest/gtest.h>

// root (at z = 5) -> arm (x + 1, turned half a turn about z over its clip of 100 ticks at 50 a second)
// -> hand (y + 2); a side branch root -> prop -> lamp lies off the chain of first children.
TEST(Hierarchy, BoneMatricesCarryRestPointsAlongThePosedChainAndNodesAreFoundByName) {
    auto scene = makeScene("root", translation(0, 0, 5));
    addNode(addNode(scene->mRootNode, "arm", translation(1, 0, 0)), "hand", translation(0, 2, 0));
    addNode(addNode(scene->mRootNode, "prop", translation(0, 0, 1)), "lamp", translation(3, 0, 0));
    aiAnimation* clip = addAnimation(*scene, "wave", 100.0, 50.0);
    aiNodeAnim* arm = addChannel(*clip, "arm");
    addPositionKey(*arm, 0.0, aiVector3D(1, 0, 0));
    addRotationKey(*arm, 0.0, aiQuaternion());
    addRotationKey(*arm, 100.0, aiQuaternion(aiVector3D(0, 0, 1), glm::pi<float>()));
    Model model;
    model.adoptScene(scene.get(), "memory/rig");
    // Bones come in through a mesh's weights; its offsets undo the rest pose.
    aiMesh* skin = makeQuad("skin", {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    addBoneWeight(*skin, "hand", 0, 1.0f, translation(-1, -2, 0));
    addBoneWeight(*skin, "arm", 1, 1.0f, translation(-1, 0, 0));
    addBoneWeight(*skin, "ghost", 2, 1.0f);  // no node carries this name
    addMesh(*scene, nullptr, skin);
    std::vector<Vertex> vertices(4);
    model.extractBoneWeights(vertices, skin);

    // hand, armTip: where the rest points (1, 2, 0) and (2, 0, 0) go.
    const struct { float seconds; glm::vec3 hand, armTip; } cases[] = {
        {0.0f, {1, 2, 0}, {2, 0, 0}},   // rest pose
        {1.0f, {-1, 0, 0}, {1, 1, 0}},  // 50 ticks: the arm is turned a quarter about its joint at (1, 0, 0)
        {2.0f, {1, 2, 0}, {2, 0, 0}},   // one whole loop later: the rest pose again
        {3.0f, {-1, 0, 0}, {1, 1, 0}},
    };
    for (const auto& c : cases) {
        std::vector<glm::mat4> bones;
        model.boneTransforms(c.seconds, bones);
        ASSERT_EQ(bones.size(), 3u);
        EXPECT_TRUE(vecNear(apply(bones[0], {1, 2, 0}), c.hand, 1e-4f)) << c.seconds << " s";
        EXPECT_TRUE(vecNear(apply(bones[1], {2, 0, 0}), c.armTip, 1e-4f)) << c.seconds << " s";
        EXPECT_TRUE(matNear(bones[2], glm::mat4(1.0f), 0.0f)) << "a bone without a node stays still";
    }

    glm::mat4 m(0.0f);
    ASSERT_TRUE(model.nodeGlobalTransform(m, 0.0f, "lamp"));
    EXPECT_TRUE(vecNear(apply(m, {0, 0, 0}), {3, 0, 6}));
    ASSERT_TRUE(model.nodeGlobalTransform(m, 50.0f, "hand"));
    EXPECT_TRUE(vecNear(apply(m, {0, 0, 0}), {-1, 0, 5}, 1e-4f));
    glm::mat4 kept(7.0f);
    EXPECT_FALSE(model.nodeGlobalTransform(kept, 0.0f, "han")) << "names compare whole";
    EXPECT_TRUE(matNear(kept, glm::mat4(7.0f), 0.0f));
}
