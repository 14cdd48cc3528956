// Test support: element-wise comparisons of GLM values with a tolerance.
#pragma once

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>
#include <gtest/gtest.h>

::testing::AssertionResult matNear(const glm::mat4& actual, const glm::mat4& expected, float tolerance = 1e-5f);
::testing::AssertionResult vecNear(const glm::vec3& actual, const glm::vec3& expected, float tolerance = 1e-5f);

// Where the transform m takes the point p.
inline glm::vec3 apply(const glm::mat4& m, const glm::vec3& p) { return glm::vec3(m * glm::vec4(p, 1.0f)); }
