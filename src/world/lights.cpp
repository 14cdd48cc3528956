// Light sources: construction from model lights, placement in the world, and the light uniforms.
#include "world/lights.h"

#include "assets/assimp_convert.h"
#include "assets/model.h"
#include "world/components.h"

#include <assimp/light.h>
#include <assimp/scene.h>
#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>

glm::mat4 lightShadowProjection(float nearPlane, float farPlane) {
    return glm::perspective(1.5707964f, 1.0f, nearPlane, farPlane);
}

float lightReach(const LightSource& light) {
    const glm::vec3 c = light.mColorDiffuse;
    const float colour = std::max({c.r, c.g, c.b, 0.0f});
    // Solve constant + linear d + quadratic d^2 = colour / share for d.
    const float target = colour / REACH_SHARE - light.mAttenuationConstant;
    const float a = light.mAttenuationQuadratic, b = light.mAttenuationLinear;
    if (target <= 0.0f) return 0.0f;
    if (a > 0.0f) return (-b + std::sqrt(b * b + 4.0f * a * target)) / (2.0f * a);
    if (b > 0.0f) return target / b;
    return std::numeric_limits<float>::infinity();
}

static glm::vec3 toVec3(const aiColor3D& c) { return {c.r, c.g, c.b}; }

static LightType lightTypeOf(aiLightSourceType type) {
    switch (type) {
    case aiLightSource_DIRECTIONAL: return LightType::DIRECTIONAL;
    case aiLightSource_POINT: return LightType::POINT;
    case aiLightSource_SPOT: return LightType::SPOT;
    default:
        std::cout << "Unknown Light Type!" << std::endl;
        return LightType::POINT;
    }
}

LightSource::LightSource(const aiLight& light, bool animated, const glm::vec3& worldPosition, float tau, float phi,
                         const glm::vec3& attenuation, bool volumetric, unsigned int sampleCount)
    : mType(lightTypeOf(light.mType)), volumetric(volumetric) {
    mAngleInnerCone = light.mAngleInnerCone;
    mAngleOuterCone = light.mAngleOuterCone;
    mAttenuationConstant = attenuation.x;
    mAttenuationLinear = attenuation.y;
    mAttenuationQuadratic = attenuation.z;
    mTau = tau;
    mPhi = phi;
    mColorAmbient = toVec3(light.mColorAmbient);
    mColorDiffuse = toVec3(light.mColorDiffuse);
    mColorSpecular = toVec3(light.mColorSpecular);
    mDirection = toGlm(light.mDirection);
    mName = light.mName.C_Str();
    mNrSamples = static_cast<int>(sampleCount);
    mPosition = worldPosition;  // the file's own position is already folded into it
    this->animated = animated;
    mLightID = -1;
}

Entity lightOwner(Registry& registry, Entity light) {
    if (!registry.valid(light) || !registry.all_of<LightOwner>(light)) return nullEntity;
    return registry.get<LightOwner>(light).owner;
}

Drawable* lightOwnerDrawable(Registry& registry, Entity light) {
    Entity owner = lightOwner(registry, light);
    if (!registry.valid(owner) || !registry.all_of<Drawable>(owner)) return nullptr;
    return &registry.get<Drawable>(owner);
}

// World matrix of the node called name through its file transformations, root included.
static bool fileNodeChain(const aiScene& scene, const std::string& name, glm::mat4& out) {
    const aiNode* node = scene.mRootNode ? scene.mRootNode->FindNode(name.c_str()) : nullptr;
    if (!node) return false;
    glm::mat4 m = toGlm(node->mTransformation);
    for (const aiNode* p = node->mParent; p; p = p->mParent) m = toGlm(p->mTransformation) * m;
    out = m;
    return true;
}

void emplaceModelLights(Model& model, Registry& registry, Entity owner, const glm::vec3& offset, float tau,
                        float phi, const glm::vec3& attenuation, bool volumetric, unsigned int sampleCount) {
    if (!model.scene) return;
    const aiScene& scene = *model.scene;
    const bool animated = scene.mAnimations && scene.mNumAnimations > 0;
    for (const std::string& name : model.lightNames) {
        const aiLight& light = *model.lightsByName.at(name);
        std::cout << "emplacing light" << std::endl;
        glm::mat4 m(1.0f);
        bool found = animated ? model.nodeGlobalTransform(m, 0.0f, name) : fileNodeChain(scene, name, m);
        if (!found) std::cout << "Light without a node, kept at its file position: " << name << std::endl;
        glm::vec3 world = glm::vec3(m * glm::vec4(toGlm(light.mPosition) + offset, 1.0f));
        Entity entity = registry.create();
        registry.emplace<LightSource>(entity, light, animated, world, tau, phi, attenuation, volumetric,
                                      sampleCount);
        registry.emplace<LightOwner>(entity, owner);
        std::cout << "X. " << world.x << " y. " << world.y << " Z: " << world.z << std::endl;
    }
}
