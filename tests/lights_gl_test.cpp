// Light uniforms: the twelve members of one "pointLight[" element, read back from a linked program.
#include "render/light_uniforms.h"
#include "world/lights.h"

#include "support/gl_context.h"
#include "support/process.h"

#include <gtest/gtest.h>

namespace {

const char* VERTEX = R"(#version 430 core
void main() { gl_Position = vec4(0.0, 0.0, 0.0, 1.0); }
)";

// Every member feeds the output, so none is optimised away.
const char* FRAGMENT = R"(#version 430 core
struct PointLight {
    float mAttenuationConstant;
    float mAttenuationLinear;
    float mAttenuationQuadratic;
    vec3 mColorAmbient;
    vec3 mColorDiffuse;
    vec3 mColorSpecular;
    vec3 mPosition;
    vec2 near_far;
    int mLightID;
    float mTau;
    float mPhi;
    int mNrSamples;
};
uniform PointLight pointLight[8];
uniform int index;
out vec4 color;
void main() {
    PointLight l = pointLight[index];
    float s = l.mAttenuationConstant + l.mAttenuationLinear + l.mAttenuationQuadratic + l.near_far.x
            + l.near_far.y + float(l.mLightID) + l.mTau + l.mPhi + float(l.mNrSamples);
    color = vec4(l.mColorAmbient + l.mColorDiffuse + l.mColorSpecular + l.mPosition, s);
}
)";

struct LightUniforms : GlTest {
    Shader shader;
    void SetUp() override {
        GlTest::SetUp();
        std::string dir = makeTempDir("lights_gl");
        writeFile(dir + "/v.shader", VERTEX);
        writeFile(dir + "/f.shader", FRAGMENT);
        shader = Shader(dir + "/v.shader", dir + "/f.shader", NO_GEOMETRY);
        shader.use();
    }
    GLint at(const std::string& name) { return glGetUniformLocation(shader.ID, name.c_str()); }
    float getFloat(const std::string& name) {
        float v = -1.0f;
        glGetUniformfv(shader.ID, at(name), &v);
        return v;
    }
    glm::vec3 getVec3(const std::string& name) {
        glm::vec3 v(-1.0f);
        glGetUniformfv(shader.ID, at(name), &v.x);
        return v;
    }
    glm::vec2 getVec2(const std::string& name) {
        glm::vec2 v(-1.0f);
        glGetUniformfv(shader.ID, at(name), &v.x);
        return v;
    }
    int getInt(const std::string& name) {
        int v = -99;
        glGetUniformiv(shader.ID, at(name), &v);
        return v;
    }
};

}  // namespace

TEST_F(LightUniforms, EveryMemberOfTheIndexedElementIsWritten) {
    LightSource light;
    light.mAttenuationConstant = 0.6f;
    light.mAttenuationLinear = 0.8f;
    light.mAttenuationQuadratic = 0.9f;
    light.mColorAmbient = {0.1f, 0.2f, 0.3f};
    light.mColorDiffuse = {1.0f, 0.6f, 0.3f};
    light.mColorSpecular = {0.4f, 0.5f, 0.6f};
    light.mPosition = {-3.45f, 1.55f, -50.56f};
    light.near_far = {0.001f, 500.0f};
    light.mLightID = 5;
    light.mTau = 0.01f;
    light.mPhi = 100.0f;
    light.mNrSamples = 30;
    setLightUniforms(light, shader, 7);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const std::string p = "pointLight[7]";
    EXPECT_FLOAT_EQ(getFloat(p + ".mAttenuationConstant"), 0.6f);
    EXPECT_FLOAT_EQ(getFloat(p + ".mAttenuationLinear"), 0.8f);
    EXPECT_FLOAT_EQ(getFloat(p + ".mAttenuationQuadratic"), 0.9f);
    EXPECT_EQ(getVec3(p + ".mColorAmbient"), light.mColorAmbient);
    EXPECT_EQ(getVec3(p + ".mColorDiffuse"), light.mColorDiffuse);
    EXPECT_EQ(getVec3(p + ".mColorSpecular"), light.mColorSpecular);
    EXPECT_EQ(getVec3(p + ".mPosition"), light.mPosition);
    EXPECT_EQ(getVec2(p + ".near_far"), light.near_far);
    EXPECT_EQ(getInt(p + ".mLightID"), 5);
    EXPECT_FLOAT_EQ(getFloat(p + ".mTau"), 0.01f);
    EXPECT_FLOAT_EQ(getFloat(p + ".mPhi"), 100.0f);
    EXPECT_EQ(getInt(p + ".mNrSamples"), 30);

    // The other elements are left alone.
    EXPECT_FLOAT_EQ(getFloat("pointLight[6].mPhi"), 0.0f);
    EXPECT_EQ(getInt("pointLight[0].mNrSamples"), 0);
}

TEST_F(LightUniforms, ConsecutiveIndicesFillTheArray) {
    for (int i = 0; i < MAX_LIGHTS; ++i) {
        LightSource light;
        light.mLightID = i;
        light.mPosition = glm::vec3(static_cast<float>(i), 0.0f, 0.0f);
        setLightUniforms(light, shader, i);
    }
    for (int i = 0; i < MAX_LIGHTS; ++i) {
        const std::string p = "pointLight[" + std::to_string(i) + "]";
        EXPECT_EQ(getInt(p + ".mLightID"), i);
        EXPECT_FLOAT_EQ(getVec3(p + ".mPosition").x, static_cast<float>(i));
        EXPECT_EQ(getInt(p + ".mNrSamples"), 30);  // the record's default
    }
}
