// Camera pose: the frame of a model camera; the pose itself is Model::updateCameraFromAnimation.
#pragma once

#include <glm/glm.hpp>

// Rows (r, -r.p), (u, -u.p), (l, -l.p), (0, 0, 0, 1) with r = normalise(up x lookAt);
// zero-length vectors stay as they are.
glm::mat4 cameraBasis(const glm::vec3& position, const glm::vec3& up, const glm::vec3& lookAt);
