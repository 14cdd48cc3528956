// Keyframe interpolation on the imported channels: linear key search, lerp and quaternion mix.
#include "animation/keyframes.h"

#include "assets/assimp_convert.h"

#include <assimp/anim.h>
#include <assimp/scene.h>
#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

// Where t falls in a key list: one key to take as it is, or a pair (index, index + 1) and a factor.
struct KeySpan {
    unsigned int index = 0;
    bool single = true;
    float factor = 0.0f;
};

template <typename Key>
KeySpan findSpan(float t, const Key* keys, unsigned int count) {
    if (count == 1 || t < static_cast<float>(keys[0].mTime)) return {0, true, 0.0f};
    if (t >= static_cast<float>(keys[count - 1].mTime)) return {count - 1, true, 0.0f};
    unsigned int i = 0;
    while (i + 2 < count && !(static_cast<float>(keys[i + 1].mTime) > t)) ++i;
    const float span = static_cast<float>(keys[i + 1].mTime - keys[i].mTime);
    return {i, false, (t - static_cast<float>(keys[i].mTime)) / span};
}

glm::vec3 interpolateVectors(float t, const aiVectorKey* keys, unsigned int count, const glm::vec3& none) {
    if (count == 0) return none;
    const KeySpan span = findSpan(t, keys, count);
    const glm::vec3 a = toGlm(keys[span.index].mValue);
    if (span.single) return a;
    const glm::vec3 b = toGlm(keys[span.index + 1].mValue);
    return a + span.factor * (b - a);
}

}  // namespace

glm::vec3 interpolateScaling(float t, const aiNodeAnim& channel) {
    return interpolateVectors(t, channel.mScalingKeys, channel.mNumScalingKeys, glm::vec3(1.0f));
}

glm::vec3 interpolatePosition(float t, const aiNodeAnim& channel) {
    return interpolateVectors(t, channel.mPositionKeys, channel.mNumPositionKeys, glm::vec3(0.0f));
}

glm::quat mixRotation(const glm::quat& a, const glm::quat& b, float f) {
    const float c = glm::dot(a, b);
    glm::quat mixed;
    if (c > 1.0f - FLT_EPSILON) {
        mixed = glm::quat((1.0f - f) * a.w + f * b.w, (1.0f - f) * a.x + f * b.x, (1.0f - f) * a.y + f * b.y,
                          (1.0f - f) * a.z + f * b.z);
    } else {
        const float angle = std::acos(std::max(c, -1.0f));
        mixed = (std::sin((1.0f - f) * angle) * a + std::sin(f * angle) * b) / std::sin(angle);
    }
    const float length = std::sqrt(glm::dot(mixed, mixed));
    if (!(length > 0.0f)) return glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    return mixed * (1.0f / length);
}

glm::quat interpolateRotation(float t, const aiNodeAnim& channel) {
    if (channel.mNumRotationKeys == 0) return glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    const KeySpan span = findSpan(t, channel.mRotationKeys, channel.mNumRotationKeys);
    const glm::quat a = toGlm(channel.mRotationKeys[span.index].mValue);
    if (span.single) return a;
    return mixRotation(a, toGlm(channel.mRotationKeys[span.index + 1].mValue), span.factor);
}

glm::mat4 nodeLocalTransform(float t, const aiNode& node, const ChannelMap& channelByNode) {
    const auto found = channelByNode.find(std::string(node.mName.data, node.mName.length));
    if (found == channelByNode.end() || !found->second) return toGlm(node.mTransformation);
    const aiNodeAnim& channel = *found->second;

    // A kind without keys keeps the node's own part of its transformation.
    aiVector3D ownScaling(1.0f), ownPosition(0.0f);
    aiQuaternion ownRotation;
    if (channel.mNumScalingKeys == 0 || channel.mNumRotationKeys == 0 || channel.mNumPositionKeys == 0)
        node.mTransformation.Decompose(ownScaling, ownRotation, ownPosition);

    const glm::vec3 s = channel.mNumScalingKeys ? interpolateScaling(t, channel) : toGlm(ownScaling);
    const glm::quat r = channel.mNumRotationKeys ? interpolateRotation(t, channel) : toGlm(ownRotation);
    const glm::vec3 p = channel.mNumPositionKeys ? interpolatePosition(t, channel) : toGlm(ownPosition);
    const glm::mat4 T = glm::translate(glm::mat4(1.0f), p);
    const glm::mat4 R = glm::mat4_cast(r);
    const glm::mat4 S = glm::scale(glm::mat4(1.0f), s);
    return (T * R) * S;
}
