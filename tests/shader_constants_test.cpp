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

namespace {

std::string shaderText(const std::string& file) {
    std::ifstream in("Resources/shader/" + file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The first capture of pattern in the file, or "" when it does not match.
std::string found(const std::string& text, const std::string& pattern) {
    std::smatch match;
    return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : "";
}

}  // namespace

TEST(ShaderConstants, EveryNumberAShaderSharesWithTheCodeIsTheCodesValue) {
    const std::string constant = "const\\s+(?:int|float)\\s+", value = "\\s*=\\s*([-0-9.eE]+)\\s*;";
    // A sampler a mesh leaves unset reads its own unit, which must not be the cube array's: that draw is invalid.
    const std::string unit = "layout\\s*\\(\\s*binding\\s*=\\s*(\\d+)\\s*\\)\\s*uniform\\s+\\w+\\s+";
    struct Shared {
        const char* file;
        std::string pattern;
        double value;  // the C++ side
        bool equal = true;
    };
    const Shared numbers[] = {
        {"fragment.shader", constant + "MAX_LIGHTS" + value, MAX_LIGHTS},
        {"volumetricFragment.shader", constant + "MAX_LIGHTS" + value, MAX_LIGHTS},
        {"fragment.shader", constant + "SHADOW_MAP_SIZE" + value, SHADOW_SIZE},
        {"fragment.shader", constant + "REACH_SHARE" + value, REACH_SHARE},
        {"vertex.shader", constant + "MAX_BONES" + value, MAX_BONES},
        {"vertexShadow.shader", constant + "MAX_BONES" + value, MAX_BONES},
        {"quadFragment.shader", constant + "NEAR" + value, PROJECTION_NEAR},
        {"quadFragment.shader", constant + "FAR" + value, PROJECTION_FAR},
        {"fragment.shader", unit + "shadowMapArray\\s*;", SHADOW_ARRAY_UNIT},
        {"fragment.shader", unit + "texture_diffuse1\\s*;", SHADOW_ARRAY_UNIT, false},
        {"fragment.shader", unit + "texture_normal1\\s*;", SHADOW_ARRAY_UNIT, false},
        {"fragment.shader", unit + "skybox\\s*;", SHADOW_ARRAY_UNIT, false},
    };
    for (const Shared& number : numbers) {
        const std::string text = shaderText(number.file);
        ASSERT_FALSE(text.empty()) << number.file << " is missing";
        const std::string declared = found(text, number.pattern);
        ASSERT_FALSE(declared.empty()) << number.file << " has nothing like " << number.pattern;
        EXPECT_EQ(std::stof(declared) == static_cast<float>(number.value), number.equal)
            << number.file << ": " << number.pattern << " holds " << declared << ", the code " << number.value;
    }
}

TEST(ShaderConstants, TheReachThresholdIsNamedWhereverTheMainProgramTestsIt) {
    const std::string text = shaderText("fragment.shader");
    ASSERT_FALSE(text.empty()) << "fragment.shader is missing";
    EXPECT_EQ(text.find("strength >= 0."), std::string::npos) << "a reach test with its own number";
    EXPECT_NE(text.find("strength >= REACH_SHARE"), std::string::npos);
}
