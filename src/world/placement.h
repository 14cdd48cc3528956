// Placement: what the world update works out once a frame for every pass to read: each drawable's world
// matrix and mesh bounds, each light's reach, and which lights reach each mesh.
#pragma once

#include "world/components.h"
#include "world/lights.h"

#include <vector>

// A light as the frame's passes take it.
struct FrameLight {
    LightSource* light = nullptr;  // valid until the registry's lights change; every world update renews it
    float reach = 0.0f;            // lightReach, once a frame
    int index = 0;                 // in the list: the bit of a mesh's LightSet, the place in the uploads
};

// The frame's lights, the last created first (the first MAX_LIGHTS own cubes 0 .. 7 and are the ones
// uploaded); kept on an entity of its own.
struct FrameLights {
    std::vector<FrameLight> lights;
};

// The registry's frame lights, made empty the first time they are asked for.
FrameLights& frameLights(Registry& registry);

// Whether a sphere comes within reach of a light at lightPosition, a little beyond it too, so rounding never
// drops a light the shaders would still show.
bool withinReach(const Sphere& bounds, const glm::vec3& lightPosition, float reach);

// Every drawable's world matrix, and each of its meshes' bounds in the world (a skinned model's as its pose
// has them, so it is posed here).
void placeDrawables(Registry& registry);

// The one walk of the lights a frame: the animated ones follow their nodes, every light's reach, the list.
FrameLights& gatherLights(Registry& registry);

// Each mesh's light set against the frame's lights.
void findReachingLights(Registry& registry, const FrameLights& lights);
