// Test support: GLM comparisons that print both values on failure.
#include "support/matchers.h"

#define GLM_ENABLE_EXPERIMENTAL
#include <glm/gtx/string_cast.hpp>

#include <cmath>

namespace {

template <typename T>
::testing::AssertionResult near(const T& actual, const T& expected, const float* a, const float* e, int n,
                                float tolerance) {
    for (int i = 0; i < n; ++i) {
        if (!(std::fabs(a[i] - e[i]) <= tolerance))
            return ::testing::AssertionFailure() << glm::to_string(actual) << " differs from " << glm::to_string(expected)
                                                 << " at element " << i;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

::testing::AssertionResult matNear(const glm::mat4& actual, const glm::mat4& expected, float tolerance) {
    return near(actual, expected, &actual[0][0], &expected[0][0], 16, tolerance);
}

::testing::AssertionResult vecNear(const glm::vec3& actual, const glm::vec3& expected, float tolerance) {
    return near(actual, expected, &actual[0], &expected[0], 3, tolerance);
}
