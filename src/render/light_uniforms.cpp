// Light uniforms: the twelve fields of the shaders' PointLight struct, named once per program.
#include "render/light_uniforms.h"

#include "core/gl.h"

#include <glm/gtc/type_ptr.hpp>

#include <string>

namespace {

// In the order setLightArrayElement writes them.
constexpr const char* FIELDS[] = {"mAttenuationConstant", "mAttenuationLinear", "mAttenuationQuadratic", "mTau",
                                  "mPhi", "mColorAmbient", "mColorDiffuse", "mColorSpecular", "mPosition",
                                  "near_far", "mLightID", "mNrSamples"};
constexpr int FIELD_COUNT = static_cast<int>(std::size(FIELDS));

std::vector<std::string> elementNames(const std::string& array) {
    std::vector<std::string> names;
    for (int i = 0; i < MAX_LIGHTS; ++i)
        for (const char* field : FIELDS) names.push_back(array + "[" + std::to_string(i) + "]." + field);
    return names;
}

}  // namespace

const UniformNames POINT_LIGHT_UNIFORMS{[] { return elementNames("pointLight"); }};
const UniformNames NEAR_LIGHT_UNIFORMS{[] { return elementNames("nearLight"); }};

void setLightArrayElement(const LightSource& light, const Shader& shader, const UniformNames& array, int i) {
    if (i < 0 || i >= MAX_LIGHTS) return;
    const int* at = shader.locations(array).data() + static_cast<std::ptrdiff_t>(i) * FIELD_COUNT;
    glUniform1f(at[0], light.mAttenuationConstant);
    glUniform1f(at[1], light.mAttenuationLinear);
    glUniform1f(at[2], light.mAttenuationQuadratic);
    glUniform1f(at[3], light.mTau);
    glUniform1f(at[4], light.mPhi);
    glUniform3fv(at[5], 1, glm::value_ptr(light.mColorAmbient));
    glUniform3fv(at[6], 1, glm::value_ptr(light.mColorDiffuse));
    glUniform3fv(at[7], 1, glm::value_ptr(light.mColorSpecular));
    glUniform3fv(at[8], 1, glm::value_ptr(light.mPosition));
    glUniform2fv(at[9], 1, glm::value_ptr(light.near_far));
    glUniform1i(at[10], light.mLightID);
    glUniform1i(at[11], light.mNrSamples);
}

void setLightUniforms(const LightSource& light, const Shader& shader, int i) {
    setLightArrayElement(light, shader, POINT_LIGHT_UNIFORMS, i);
}
