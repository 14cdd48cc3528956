// Tests: small Assimp scenes built in memory, with lights, a camera and a moving node.
#pragma once

#include <assimp/scene.h>
#include <glm/glm.hpp>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace light_scenes {

inline aiMatrix4x4 toAssimp(const glm::mat4& m) {
    return aiMatrix4x4(m[0][0], m[1][0], m[2][0], m[3][0], m[0][1], m[1][1], m[2][1], m[3][1], m[0][2], m[1][2],
                       m[2][2], m[3][2], m[0][3], m[1][3], m[2][3], m[3][3]);
}

// Appends item to the Assimp array of count elements.
template <typename T>
T* append(T**& array, unsigned int& count, T* item) {
    T** grown = new T*[count + 1];
    std::copy(array, array + count, grown);
    grown[count++] = item;
    delete[] array;
    array = grown;
    return item;
}

inline aiNode* addNode(aiNode* parent, const std::string& name, const glm::mat4& transform = glm::mat4(1.0f)) {
    aiNode* node = append(parent->mChildren, parent->mNumChildren, new aiNode(name));
    node->mTransformation = toAssimp(transform);
    node->mParent = parent;
    return node;
}

inline std::unique_ptr<aiScene> emptyScene() {
    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode("Root");
    return scene;
}

inline aiLight* addLight(aiScene& scene, const std::string& name, aiLightSourceType type = aiLightSource_POINT,
                         const glm::vec3& position = glm::vec3(0.0f)) {
    aiLight* light = new aiLight();
    light->mName = aiString(name);
    light->mType = type;
    light->mPosition = aiVector3D(position.x, position.y, position.z);
    light->mColorDiffuse = aiColor3D(1.0f, 0.6f, 0.3f);
    light->mColorSpecular = aiColor3D(0.5f, 0.5f, 0.5f);
    light->mColorAmbient = aiColor3D(0.1f, 0.05f, 0.02f);
    light->mDirection = aiVector3D(0.0f, -1.0f, 0.0f);
    light->mAngleInnerCone = 0.25f;
    light->mAngleOuterCone = 0.5f;
    return append(scene.mLights, scene.mNumLights, light);
}

// One clip moving node along x from x0 to x0 + duration (ticks) at y, with the given rate.
inline void addSlide(aiScene& scene, const std::string& node, double duration, double ticksPerSecond, float x0,
                     float y) {
    aiNodeAnim* channel = new aiNodeAnim();
    channel->mNodeName = aiString(node);
    channel->mNumPositionKeys = 2;
    channel->mPositionKeys = new aiVectorKey[2]{{0.0, aiVector3D(x0, y, 0.0f)},
                                                {duration, aiVector3D(x0 + static_cast<float>(duration), y, 0.0f)}};
    channel->mNumRotationKeys = 1;
    channel->mRotationKeys = new aiQuatKey[1]{{0.0, aiQuaternion(1.0f, 0.0f, 0.0f, 0.0f)}};
    channel->mNumScalingKeys = 1;
    channel->mScalingKeys = new aiVectorKey[1]{{0.0, aiVector3D(1.0f, 1.0f, 1.0f)}};
    aiAnimation* animation = new aiAnimation();
    animation->mName = aiString("Take");
    animation->mDuration = duration;
    animation->mTicksPerSecond = ticksPerSecond;
    animation->mNumChannels = 1;
    animation->mChannels = new aiNodeAnim*[1]{channel};
    scene.mNumAnimations = 1;
    scene.mAnimations = new aiAnimation*[1]{animation};
}

// A camera at its node's origin (Assimp's default, with +y up) looking along +x, on a node placed by transform.
inline void addCamera(aiScene& scene, const std::string& name, const glm::mat4& transform = glm::mat4(1.0f)) {
    addNode(scene.mRootNode, name, transform);
    aiCamera* camera = new aiCamera();
    camera->mName = aiString(name);
    camera->mLookAt = aiVector3D(1.0f, 0.0f, 0.0f);
    scene.mNumCameras = 1;
    scene.mCameras = new aiCamera*[1]{camera};
}

}  // namespace light_scenes
