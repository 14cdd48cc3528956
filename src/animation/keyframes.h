// Keyframe interpolation: a node's local matrix from its animation channel at a time in ticks.
#pragma once

#include "assets/model.h"

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

struct aiNode;
struct aiNodeAnim;

// Each list holds to its first key before it and to its last key at or after it.
// A channel with no key of a kind gives the identity for it; nodeLocalTransform fills it from the node.
glm::vec3 interpolateScaling(float t, const aiNodeAnim& channel);
glm::vec3 interpolatePosition(float t, const aiNodeAnim& channel);
glm::quat interpolateRotation(float t, const aiNodeAnim& channel);

// mix of two rotations without flipping the sign of b (the longer arc is kept), then normalised.
glm::quat mixRotation(const glm::quat& a, const glm::quat& b, float f);

// T x R x S from the node's channel, or the node's own transformation when it has none.
glm::mat4 nodeLocalTransform(float t, const aiNode& node, const ChannelMap& channelByNode);
