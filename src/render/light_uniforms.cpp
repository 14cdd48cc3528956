// Light uniforms: the twelve fields of the shaders' PointLight struct.
#include "render/light_uniforms.h"

#include <utility>

void setLightArrayElement(const LightSource& light, const Shader& shader, const std::string& array, int i) {
    const std::string base = array + "[" + std::to_string(i) + "].";
    const std::pair<const char*, float> floats[] = {
        {"mAttenuationConstant", light.mAttenuationConstant},
        {"mAttenuationLinear", light.mAttenuationLinear},
        {"mAttenuationQuadratic", light.mAttenuationQuadratic},
        {"mTau", light.mTau},
        {"mPhi", light.mPhi},
    };
    for (const auto& [field, value] : floats) shader.setFloat(base + field, value);
    const std::pair<const char*, glm::vec3> colours[] = {
        {"mColorAmbient", light.mColorAmbient},
        {"mColorDiffuse", light.mColorDiffuse},
        {"mColorSpecular", light.mColorSpecular},
    };
    for (const auto& [field, value] : colours) shader.setVec3(base + field, value);
    shader.setVec3(base + "mPosition", light.mPosition);
    shader.setVec2(base + "near_far", light.near_far);
    shader.setInt(base + "mLightID", light.mLightID);
    shader.setInt(base + "mNrSamples", light.mNrSamples);
}

void setLightUniforms(const LightSource& light, const Shader& shader, int i) {
    setLightArrayElement(light, shader, "pointLight", i);
}
