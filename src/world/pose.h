// Poses: each skinned drawable's bone matrices and the sphere round its posed vertices, worked out once a frame.
#pragma once

#include "world/components.h"

#include <glm/glm.hpp>

#include <vector>

// A drawable whose shape changes from frame to frame: its model has bones.
bool isSkinned(const Drawable& drawable);

// The sphere round each mesh's vertices as the vertex stages skin them with bones, placed by world, in the
// model's mesh order.
std::vector<Sphere> posedBounds(const Model& model, const std::vector<glm::mat4>& bones, const glm::mat4& world);

// A skinned drawable posed at its animationTime: its Pose, and its placement's mesh bounds round the posed
// vertices, placed by the placement's world matrix.
void poseDrawable(Drawable& drawable);
