// Light sources: the one record every light pass reads, made from the lights of a model file.
#pragma once

#include "world/registry.h"

#include <glm/glm.hpp>

#include <cstdint>
#include <string>
#include <vector>

struct aiLight;
struct Model;
struct Drawable;

enum class LightType : std::int32_t { POINT = 0, DIRECTIONAL = 1, SPOT = 2 };

// Lights per forward or volumetric draw, and light cubes in the shadow array.
inline constexpr int MAX_LIGHTS = 8;

// Perspective of one cube face: 90 degrees, square, right-handed, depth -1 .. 1.
glm::mat4 lightShadowProjection(float nearPlane, float farPlane);

struct LightSource {
    int mNrSamples = 30;
    float nearPlane = 0.001f;
    float farPlane = 500.0f;
    float mAngleInnerCone = 0.0f;
    float mAngleOuterCone = 0.0f;
    float mAttenuationConstant = 0.0f;
    float mAttenuationLinear = 0.0f;
    float mAttenuationQuadratic = 0.0f;
    glm::vec3 mColorAmbient{0.0f};
    glm::vec3 mColorDiffuse{0.0f};
    glm::vec3 mColorSpecular{0.0f};
    glm::vec3 mDirection{0.0f};
    glm::vec3 mPosition{0.0f};      // world position; animated lights are moved every frame
    LightType mType = LightType::POINT;
    bool volumetric = false;
    bool animated = false;          // its model has an animation: position and shadow matrices change
    int mLightID = -1;              // cube index in the shadow array, assigned on the first frame
    std::string mName;              // also the name of the node that carries the light
    glm::vec2 near_far{0.001f, 500.0f};
    std::vector<glm::mat4> shadowTransforms;  // six cube-face matrices, filled at shadow set-up
    glm::mat4 shadowProjection = lightShadowProjection(0.001f, 500.0f);
    float mTau = 0.0f;
    float mPhi = 0.0f;

    LightSource() = default;
    LightSource(const aiLight& light, bool animated, const glm::vec3& worldPosition, float tau, float phi,
                const glm::vec3& attenuation, bool volumetric, unsigned int sampleCount);
};

// Each light lives on an entity of its own (the registry keeps one component per type and entity);
// owner is the entity whose model carries the light and whose Drawable it moves with.
struct LightOwner {
    Entity owner = nullEntity;
};

// Visits every light from the last created to the first: fn(Entity light, LightSource&).
template <typename F>
void forEachLight(Registry& registry, F&& fn) {
    registry.each<LightSource>(fn);
}

// The entity whose model carries the light, or nullEntity.
Entity lightOwner(Registry& registry, Entity light);

// The owner's Drawable, or null when the owner is gone or draws nothing.
Drawable* lightOwnerDrawable(Registry& registry, Entity light);

// Beyond its reach a light adds less than this share of its colour; the main fragment shader stops lighting
// there too (its REACH_SHARE), so casters wholly beyond it change no pixel.
inline constexpr float REACH_SHARE = 0.002f;

// Distance from the light beyond which it adds less than REACH_SHARE of its colour (infinite without
// falloff).
float lightReach(const LightSource& light);

// Only the first MAX_LIGHTS lights of the walk have a cube in the shadow array.
inline bool hasShadowCube(const LightSource& light) { return light.mLightID >= 0 && light.mLightID < MAX_LIGHTS; }

// Attaches one light entity per light of the model, owned by owner, in the model's file order.
// Prints "emplacing light" and the world position for each.
void emplaceModelLights(Model& model, Registry& registry, Entity owner, const glm::vec3& offset, float tau,
                        float phi, const glm::vec3& attenuation, bool volumetric, unsigned int sampleCount);
