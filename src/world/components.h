// Components: plain value records attached to registry entities.
#pragma once

#include "core/shader.h"
#include "world/registry.h"

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include <cstdint>
#include <vector>

struct Model;

struct Transform {
    glm::vec3 position{0.0f};
    glm::quat rotation{1.0f, 0.0f, 0.0f, 0.0f};  // stored x, y, z, w; identity
    glm::vec3 scale{1.0f};
    Entity parent = nullEntity;                  // honoured by worldMatrix when it names a live entity
};

// A ball in world space.
struct Sphere {
    glm::vec3 centre{0.0f};
    float radius = 0.0f;
};

// A skinned model as the world update posed it for this frame; every pass that draws it reads this.
struct Pose {
    std::vector<glm::mat4> bones;  // skinning matrices by bone index; empty for a model without a clip
};

// Bit i: the i-th light of the frame's list (FrameLights) reaches the mesh. Only the first MAX_LIGHTS of
// that list are uploaded or own a cube.
using LightSet = std::uint8_t;

// Where the world update placed a drawable for this frame; the passes read it and work none of it out.
struct Placement {
    glm::mat4 world{1.0f};  // the Transform's worldMatrix
    float scale = 1.0f;     // largestScale of world
    // Round each mesh in the world, in the model's order; a skinned model's round its posed vertices, so that
    // parts of one model far apart each keep to their own lights.
    std::vector<Sphere> meshBounds;
    std::vector<LightSet> meshLights;  // the lights whose reach each mesh's bounds meet
};

struct Drawable {
    Model* model = nullptr;     // not owned: the scene resources outlive every entity
    Shader shader;
    bool environmentMapping = false;
    bool animated = true;       // clocks advance only while set
    float animationTime = 0.0f; // seconds: the skeleton's pose
    float cameraTime = 0.0f;    // seconds: the model camera's pose
    Pose pose;                  // skinned models only
    Placement placement;        // every frame, by the world update
};

inline Drawable makeDrawable(Model* model, Shader shader) {
    Drawable d;
    d.model = model;
    d.shader = shader;
    return d;
}

struct Camera {
    glm::vec3 position{0.0f};
    glm::mat4 view{0.0f};         // zero until the first frame poses it
    glm::mat4 inverseView{0.0f};
};

struct Player {};

struct BoxCollider {
    glm::vec3 extents{0.0f};
};

struct GameState {
    bool spectatorMode = false;
};
