// Node hierarchy walks: bone matrices of a time and the global matrix of one named node.
#include "animation/hierarchy.h"

#include "animation/keyframes.h"

#include "assets/model.h"

#include <assimp/scene.h>

#include <cmath>

double ticksPerSecond(const aiAnimation& animation) {
    return animation.mTicksPerSecond != 0.0 ? animation.mTicksPerSecond : DEFAULT_TICKS_PER_SECOND;
}

float animationTicks(const aiAnimation& animation, float seconds) {
    // A clip without length would give NaN; it holds its first pose.
    if (animation.mDuration == 0.0) return 0.0f;
    const float ticks = static_cast<float>(ticksPerSecond(animation)) * seconds;
    return static_cast<float>(std::fmod(static_cast<double>(ticks), animation.mDuration));
}

const aiAnimation* Model::chosenAnimation() const {
    if (!scene || !scene->mAnimations || scene->mNumAnimations == 0 || animationIndex >= scene->mNumAnimations)
        return nullptr;
    return scene->mAnimations[animationIndex];
}

glm::mat4 Model::nodeLocalTransform(float animationTime, const aiNode* node) const {
    return ::nodeLocalTransform(animationTime, *node, channelByNode);
}

void Model::boneTransforms(float timeInSeconds, std::vector<glm::mat4>& out) {
    const aiAnimation* animation = chosenAnimation();
    if (!animation || !scene->mRootNode) return;
    readNodeHierarchy(animationTicks(*animation, timeInSeconds), scene->mRootNode, glm::mat4(1.0f));
    out.resize(boneCount);
    for (unsigned int i = 0; i < boneCount; ++i) out[i] = boneInfo[i].finalTransform;
}

void Model::readNodeHierarchy(float animationTime, const aiNode* node, const glm::mat4& parentTransform) {
    const glm::mat4 global = parentTransform * nodeLocalTransform(animationTime, node);
    const auto bone = boneIndexByName.find(std::string(node->mName.data, node->mName.length));
    if (bone != boneIndexByName.end())
        boneInfo[bone->second].finalTransform = (globalInverseTransform * global) * boneInfo[bone->second].offset;
    for (unsigned int i = 0; i < node->mNumChildren; ++i) readNodeHierarchy(animationTime, node->mChildren[i], global);
}

bool Model::nodeGlobalTransform(glm::mat4& out, float animationTime, const aiNode* node,
                                const glm::mat4& parentTransform, const std::string& name) const {
    const glm::mat4 global = parentTransform * nodeLocalTransform(animationTime, node);
    if (std::string(node->mName.data, node->mName.length) == name) {
        out = global;
        return true;
    }
    for (unsigned int i = 0; i < node->mNumChildren; ++i) {
        if (nodeGlobalTransform(out, animationTime, node->mChildren[i], global, name)) return true;
    }
    return false;
}

bool Model::nodeGlobalTransform(glm::mat4& out, float animationTime, const std::string& name) const {
    if (!scene || !scene->mRootNode) return false;
    return nodeGlobalTransform(out, animationTime, scene->mRootNode, glm::mat4(1.0f), name);
}
