// Poses: each skinned drawable's bone matrices and the sphere round its posed vertices, worked out once a frame.
#pragma once

#include "world/components.h"

#include <glm/glm.hpp>

#include <vector>

// A drawable whose shape changes from frame to frame: its model has bones.
bool isSkinned(const Drawable& drawable);

// The sphere round the model's vertices as the vertex stages skin them with bones, placed by world; with
// meshBounds, also the sphere round each mesh's own.
Sphere posedBounds(const Model& model, const std::vector<glm::mat4>& bones, const glm::mat4& world,
                   std::vector<Sphere>* meshBounds = nullptr);

// Every skinned drawable posed at its animationTime, into its Pose.
void poseDrawables(Registry& registry);
