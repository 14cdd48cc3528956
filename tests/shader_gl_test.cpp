// Shader programs: every shipped one builds without a word from the driver and gets every light member it
// reads; a failed link is reported with its log, and an empty stage name is no file.
#include "core/shader.h"
#include "render/light_uniforms.h"
#include "support/gl_context.h"
#include "support/gl_probe.h"

#include <unistd.h>

#include <map>
#include <sstream>

namespace {
const std::string DIR = "tests/fixtures/shaders/";
const std::string SHIPPED = "Resources/shader/";

int linkStatus(const Shader& shader) {
    int linked = 0;
    glGetProgramiv(shader.ID, GL_LINK_STATUS, &linked);
    return linked;
}
}  // namespace

using ShaderTest = GlTest;
using ShaderDeathTest = GlTest;

TEST_F(ShaderTest, EveryShippedProgramAndItsVariantsLinkWithEmptyLogs) {
    // Vertex, fragment and geometry stage of each, and the defines it is built with.
    const std::array<const char*, 4> programs[] = {
        {"vertex", "fragment", " ", ""}, {"vertexShadow", "fragmentShadow", " ", "#define ONE_FACE"},
        {"vertexShadow", "fragmentShadow", "geometryShadow", ""}, {"volumetricVertex", "volumetricFragment", " ", ""},
        {"volumetricDownsampleVertex", "volumetricDownsampleFragment", " ", ""},
        {"blurVertex", "blurFragment", " ", ""}, {"quadVertex", "quadFragment", " ", ""},
        {"hudVertex", "hudFragment", " ", ""}, {"skyboxVertex", "skyboxFragment", " ", ""}};
    // Every field of the light record non-zero and unlike the others, so a member a shader reads but the code
    // never writes (one renamed on one side alone) reads back as its default 0, and one written from another
    // field (names and values out of step) reads back that field's value.
    LightSource light;
    light.mAttenuationConstant = 0.5f, light.mAttenuationLinear = 0.25f, light.mAttenuationQuadratic = 0.125f;
    light.mColorAmbient = glm::vec3(0.1f), light.mColorDiffuse = glm::vec3(0.2f);
    light.mColorSpecular = glm::vec3(0.3f), light.mPosition = glm::vec3(0.4f);
    light.near_far = glm::vec2(0.6f, 0.7f);
    light.mLightID = 5;
    light.mNrSamples = 7;
    light.mTau = 0.01f;
    light.mPhi = 100.0f;
    const std::map<std::string, float> written = {
        {"mAttenuationConstant", 0.5f}, {"mAttenuationLinear", 0.25f}, {"mAttenuationQuadratic", 0.125f},
        {"mColorAmbient", 0.1f}, {"mColorDiffuse", 0.2f}, {"mColorSpecular", 0.3f}, {"mPosition", 0.4f},
        {"near_far", 0.6f}, {"mLightID", 5.0f}, {"mNrSamples", 7.0f}, {"mTau", 0.01f}, {"mPhi", 100.0f}};
    int programsWithLights = 0;
    for (const auto& [vertex, fragment, geometry, built] : programs) {
        const Shader base(SHIPPED + vertex + ".shader", SHIPPED + fragment + ".shader",
                          geometry == NO_GEOMETRY ? NO_GEOMETRY : SHIPPED + geometry + ".shader", built);
        // The forward pass builds the main program once per light count and once for depth alone.
        for (const char* defines : {"", "#define LIGHT_COUNT 1", "#define LIGHT_COUNT 8", "#define DEPTH_ONLY"}) {
            const Shader shader = *defines ? shaderVariant(base, defines) : base;
            EXPECT_TRUE(linkStatus(shader)) << fragment << " " << defines;
            EXPECT_EQ(programLogs(shader.ID), "") << fragment << " " << defines;
            if (fragment != std::string("fragment")) break;
        }
        base.use();
        setLightUniforms(light, base, 3);
        GLint count = 0, members = 0, size = 0;
        GLenum type = 0;
        glGetProgramiv(base.ID, GL_ACTIVE_UNIFORMS, &count);
        for (GLint i = 0; i < count; ++i) {
            char name[256];
            glGetActiveUniform(base.ID, static_cast<GLuint>(i), sizeof name, nullptr, &size, &type, name);
            if (std::string(name).rfind("pointLight[3].", 0) != 0) continue;
            float value[4] = {};
            glGetUniformfv(base.ID, glGetUniformLocation(base.ID, name), value);
            const auto field = written.find(std::string(name).substr(std::string("pointLight[3].").size()));
            ASSERT_NE(field, written.end()) << fragment << " reads " << name << ", which the light record lacks";
            EXPECT_EQ(value[0], field->second) << fragment << " reads " << name << ", written otherwise or never";
            ++members;
        }
        programsWithLights += members > 2 ? 1 : 0;
    }
    EXPECT_EQ(programsWithLights, 2) << "the main and the volumetric program read lights";
}

TEST_F(ShaderTest, ALinkFailureIsReportedOnceWithTheDriversLog) {
    std::stringstream captured;
    std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
    const Shader bad(DIR + "plain.vert", DIR + "mismatch.frag", " ");
    std::cout.rdbuf(old);
    const std::string out = captured.str();
    EXPECT_FALSE(linkStatus(bad));
    EXPECT_EQ(out.rfind("ERROR::PROGRAM_LINKING_ERROR of type: PROGRAM\n", 0), 0u) << out;
    EXPECT_EQ(out.find("ERROR::PROGRAM_LINKING_ERROR", 1), std::string::npos) << out;
    const std::string log = programLogs(bad.ID);  // the driver's own words
    EXPECT_FALSE(log.empty());
    EXPECT_NE(out.find(log), std::string::npos) << out;
}

// A missing file or a broken stage ends the game, said as the game says it: game_failures_gl_test. Here, the
// one name that is easy to take for "no stage": an empty one is a file name too. The message goes to standard
// output and the death check reads standard error, so the one is sent to the other.
TEST_F(ShaderDeathTest, AnEmptyStageNameIsAFileThatCannotBeOpened) {
    EXPECT_EXIT(
        {
            dup2(2, 1);
            Shader s(DIR + "plain.vert", DIR + "plain.frag", "");
        },
        ::testing::ExitedWithCode(255), "Failed to open shader file: \n");
}
