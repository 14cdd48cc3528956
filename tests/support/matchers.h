// Test support: element-wise comparisons of GLM values with a tolerance.
#pragma once

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>
#include <gtest/gtest.h>

::testing::AssertionResult matNear(const glm::mat4& actual, const glm::mat4& expected, float tolerance = 1e-5f);
::testing::AssertionResult vecNear(const glm::vec3& actual, const glm::vec3& expected, float tolerance = 1e-5f);
