// The numbers the shipped shaders share with the C++ code: a change on one side alone fails here.
#include "assets/model.h"
#include "render/forward_pass.h"
#include "render/frame.h"
#include "render/light_visibility.h"
#include "render/renderer.h"
#include "render/shadow_pass.h"
#include "world/lights.h"

#include <gtest/gtest.h>

#include <cmath>
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
    // value: the C++ side; unit: a sampler's binding rather than a constant; equal false: a sampler a mesh leaves
    // unset must not read the cube array's unit, as that draw is invalid.
    const struct { const char *file, *name; double value; bool unit, equal; } numbers[] = {
        {"fragment.shader", "MAX_LIGHTS", MAX_LIGHTS, false, true},
        {"volumetricFragment.shader", "MAX_LIGHTS", MAX_LIGHTS, false, true},
        {"fragment.shader", "SHADOW_MAP_SIZE", SHADOW_SIZE, false, true},
        {"fragment.shader", "REACH_SHARE", REACH_SHARE, false, true},
        {"fragment.shader", "SHADOW_NORMAL_OFFSET_TEXELS", SHADOW_NORMAL_OFFSET_TEXELS, false, true},
        {"fragment.shader", "SHADOW_BIAS_TEXELS", SHADOW_BIAS_TEXELS, false, true},
        {"fragment.shader", "SHADOW_BIAS_METRES", SHADOW_BIAS_METRES, false, true},
        {"fragment.shader", "SHADOW_DISC_METRES", SHADOW_DISC_METRES, false, true},
        {"fragment.shader", "SHADOW_DISC_PER_METRE", SHADOW_DISC_PER_METRE, false, true},
        {"vertex.shader", "MAX_BONES", MAX_BONES, false, true},
        {"vertex.shader", "MAX_LIGHTS", MAX_LIGHTS, false, true},
        {"vertex.shader", "BOUNCE", BOUNCE_SHARE, false, true},
        {"fragment.shader", "BOUNCE", BOUNCE_SHARE, false, true},
        {"vertex.shader", "BOUNCE_FALLOFF", BOUNCE_FALLOFF, false, true},
        {"fragment.shader", "BOUNCE_FALLOFF", BOUNCE_FALLOFF, false, true},
        {"vertexShadow.shader", "MAX_BONES", MAX_BONES, false, true},
        {"quadFragment.shader", "NEAR", PROJECTION_NEAR, false, true},
        {"quadFragment.shader", "FAR", PROJECTION_FAR, false, true},
        {"quadFragment.shader", "TAN_HALF_FOV", std::tan(PROJECTION_FOV_DEGREES * 0.5 * M_PI / 180.0), false, true},
        {"fragment.shader", "shadowMapArray", SHADOW_ARRAY_UNIT, true, true},
        {"fragment.shader", "texture_diffuse1", SHADOW_ARRAY_UNIT, true, false},
        {"fragment.shader", "texture_normal1", SHADOW_ARRAY_UNIT, true, false},
        {"fragment.shader", "skybox", SHADOW_ARRAY_UNIT, true, false},
    };
    for (const auto& n : numbers) {
        const std::string text = shaderText(n.file);
        ASSERT_FALSE(text.empty()) << n.file << " is missing";
        const std::string declared =
            found(text, n.unit ? "layout\\s*\\(\\s*binding\\s*=\\s*(\\d+)\\s*\\)\\s*uniform\\s+\\w+\\s+" +
                                     std::string(n.name) + "\\s*;"
                               : "const\\s+(?:int|float)\\s+" + std::string(n.name) + "\\s*=\\s*([-0-9.eE]+)\\s*;");
        ASSERT_FALSE(declared.empty()) << n.file << " declares no " << n.name;
        EXPECT_EQ(std::stof(declared) == static_cast<float>(n.value), n.equal)
            << n.file << ": " << n.name << " is " << declared << ", the code's " << n.value;
    }
}

// The reach test, and each line that places a shadow lookup where the visibility queries look, read the shared
// numbers and no number of their own.
TEST(ShaderConstants, TheReachTestAndTheShadowLookupsReadOnlyTheSharedNumbers) {
    const std::string text = shaderText("fragment.shader");
    // line: a pattern capturing the right-hand side; names: what it must read.
    const struct { const char* what; const char* line; const char* names; } lines[] = {
        {"the reach test", "strength >= ([^;]+);", "REACH_SHARE"},
        {"the normal offset", "vec3 p = ([^;]+);", "SHADOW_NORMAL_OFFSET_TEXELS"},
        {"the bias along the ray", "float bias = ([^;]+);", "SHADOW_BIAS_TEXELS SHADOW_BIAS_METRES"},
        {"the disc's radius", "float radius = ([^;]+);", "SHADOW_DISC_METRES SHADOW_DISC_PER_METRE"},
    };
    for (const auto& l : lines) {
        const std::string expression = found(text, l.line);
        ASSERT_FALSE(expression.empty()) << "fragment.shader has no " << l.what;
        std::istringstream names(l.names);
        for (std::string name; names >> name;) EXPECT_NE(expression.find(name), std::string::npos) << l.what;
        EXPECT_EQ(found(expression, "\\b([0-9]*\\.?[0-9]+)"), "") << l.what << " has its own number: " << expression;
    }
}

TEST(ShaderConstants, TheVisibilityQueriesCoverTheLookupsOffsetsAndDisc) {
    // Drawn nearer the light by at least the normal offset and the bias along the ray, and widened sideways by
    // the whole disc, the normal offset (across the ray on a grazed surface) and half a texel (the nearest
    // one is read), at every distance.
    for (const float d : {0.0f, 1.0f, 5.0f, 30.0f}) {
        const float texel = SHADOW_TEXELS_PER_METRE * d;
        const float offsets = (SHADOW_NORMAL_OFFSET_TEXELS + SHADOW_BIAS_TEXELS) * texel + SHADOW_BIAS_METRES;
        EXPECT_GE(VISIBILITY_MARGIN_CONSTANT + VISIBILITY_MARGIN_PER_METRE * d, offsets) << d << " m";
        const float sideways = SHADOW_DISC_METRES + SHADOW_DISC_PER_METRE * d +
                               SHADOW_NORMAL_OFFSET_TEXELS * texel + 0.5f * texel;
        EXPECT_GE(VISIBILITY_WIDENING_CONSTANT + VISIBILITY_WIDENING_PER_METRE * d, sideways * 0.9999f) << d << " m";
    }
}

// The sky's horizon fades into the mist the scene's distance fades to, and the glints and moonlight come from
// where the sky draws its moon.
TEST(ShaderConstants, TheSkysMistAndMoonAreTheScenesAndTheMoonIsWhereTheSkyDrawsIt) {
    const std::string scene = shaderText("fragment.shader"), sky = shaderText("skyboxFragment.shader");
    for (const char* name : {"MOON_DIRECTION", "MIST_COLOUR", "MIST_MOON_GLOW"}) {
        const std::string pattern = "const\\s+vec3\\s+" + std::string(name) + "\\s*=\\s*vec3\\(([^)]*)\\)\\s*;";
        ASSERT_NE(found(scene, pattern), "") << "fragment.shader declares no " << name;
        EXPECT_EQ(found(sky, pattern), found(scene, pattern)) << "the sky's " << name << " is not the scene's";
    }
    std::ifstream in("tools/assets/sky.py");
    std::stringstream text;
    text << in.rdbuf();
    const std::string drawn = found(text.str(), "MOON_DIR = np\\.array\\(\\[([^\\]]*)\\]\\)");
    ASSERT_NE(drawn, "") << "sky.py places no moon";
    glm::vec3 moon, shaded;
    char comma;
    std::istringstream(drawn) >> moon.x >> comma >> moon.y >> comma >> moon.z;
    std::istringstream(found(scene, "MOON_DIRECTION\\s*=\\s*vec3\\(([^)]*)\\)")) >> shaded.x >> comma >> shaded.y >> comma >> shaded.z;
    EXPECT_LT(glm::length(glm::normalize(moon) - shaded), 1e-3f) << "the shaders' moon is not the sky's";
}
