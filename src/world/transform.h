// Transform maths: world matrix through the parent chain, its largest scale, rotation from Euler angles.
#pragma once

#include "world/components.h"

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

// (T * R) * S of the transform, times the parent's world matrix while the parent is a live entity.
glm::mat4 worldMatrix(const Transform& transform, Registry& registry);

// Largest stretch of the matrix's axes: a sphere's radius times this keeps it round what it held.
float largestScale(const glm::mat4& world);

// Half-angle quaternion of angles (x, y, z) in radians.
glm::quat rotationFromEuler(const glm::vec3& angles);
