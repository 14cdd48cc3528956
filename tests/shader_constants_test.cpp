// The numbers the shipped shaders share with the C++ code: a change on one side alone fails here.
#include "assets/model.h"
#include "render/forward_pass.h"
#include "render/frame.h"
#include "render/renderer.h"
#include "render/shadow_pass.h"
#include "world/lights.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace {

std::string shaderText(const std::string& file) {
    std::ifstream in("Resources/shader/" + file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The value of `const <type> name = value;` in the file, or "" when the file does not declare it.
std::string declaredConstant(const std::string& text, const std::string& name) {
    std::smatch match;
    const std::regex declaration("const\\s+(int|float)\\s+" + name + "\\s*=\\s*([-0-9.eE]+)\\s*;");
    return std::regex_search(text, match, declaration) ? match[2].str() : "";
}

// The unit of `layout(binding = N) uniform <sampler> name;`, or -1.
int samplerBinding(const std::string& text, const std::string& name) {
    std::smatch match;
    const std::regex layout("layout\\s*\\(\\s*binding\\s*=\\s*(\\d+)\\s*\\)\\s*uniform\\s+\\w+\\s+" + name + "\\s*;");
    return std::regex_search(text, match, layout) ? std::stoi(match[1].str()) : -1;
}

struct SharedNumber {
    const char* file;
    const char* name;
    double value;  // the C++ side
};

}  // namespace

TEST(ShaderConstants, EveryNumberAShaderSharesWithTheCodeIsTheCodesValue) {
    const SharedNumber numbers[] = {
        {"fragment.shader", "MAX_LIGHTS", MAX_LIGHTS},
        {"volumetricFragment.shader", "MAX_LIGHTS", MAX_LIGHTS},
        {"fragment.shader", "SHADOW_MAP_SIZE", SHADOW_SIZE},
        {"fragment.shader", "REACH_SHARE", REACH_SHARE},
        {"vertex.shader", "MAX_BONES", MAX_BONES},
        {"vertexShadow.shader", "MAX_BONES", MAX_BONES},
        {"quadFragment.shader", "NEAR", PROJECTION_NEAR},
        {"quadFragment.shader", "FAR", PROJECTION_FAR},
    };
    for (const SharedNumber& number : numbers) {
        const std::string text = shaderText(number.file);
        ASSERT_FALSE(text.empty()) << number.file << " is missing";
        const std::string declared = declaredConstant(text, number.name);
        ASSERT_FALSE(declared.empty()) << number.file << " declares no " << number.name;
        EXPECT_FLOAT_EQ(std::stof(declared), static_cast<float>(number.value)) << number.file << " " << number.name;
    }
}

TEST(ShaderConstants, TheShadowArrayUnitIsTheMainProgramsAndNoOtherSamplerDefaultsToIt) {
    const std::string text = shaderText("fragment.shader");
    ASSERT_FALSE(text.empty()) << "fragment.shader is missing";
    EXPECT_EQ(samplerBinding(text, "shadowMapArray"), SHADOW_ARRAY_UNIT);
    // A sampler a mesh leaves unset reads its default unit: sharing the cube array's would be an invalid draw.
    for (const char* sampler : {"texture_diffuse1", "texture_normal1", "skybox"}) {
        const int unit = samplerBinding(text, sampler);
        EXPECT_GE(unit, 0) << sampler << " has no binding";
        EXPECT_NE(unit, SHADOW_ARRAY_UNIT) << sampler;
    }
}

TEST(ShaderConstants, TheReachThresholdIsNamedWhereverTheMainProgramTestsIt) {
    const std::string text = shaderText("fragment.shader");
    ASSERT_FALSE(text.empty()) << "fragment.shader is missing";
    EXPECT_EQ(text.find("strength >= 0."), std::string::npos) << "a reach test with its own number";
    EXPECT_NE(text.find("strength >= REACH_SHARE"), std::string::npos);
}
