// Shader programs: stages, link reports, fatal file and compile failures, uniform setters.
#include "core/shader.h"
#include "support/gl_context.h"

#include <glm/gtc/type_ptr.hpp>

#include <unistd.h>

#include <sstream>

namespace {
const std::string DIR = "tests/fixtures/shaders/";

int attachedStages(unsigned int program) {
    int count = 0;
    glGetProgramiv(program, GL_ATTACHED_SHADERS, &count);
    return count;
}
}  // namespace

using ShaderTest = GlTest;
using ShaderDeathTest = GlTest;

TEST_F(ShaderTest, SpaceMeansNoGeometryStage) {
    Shader two(DIR + "plain.vert", DIR + "plain.frag", " ");
    int linked = 0;
    glGetProgramiv(two.ID, GL_LINK_STATUS, &linked);
    EXPECT_TRUE(linked);
    EXPECT_NE(two.ID, 0u);
    // Stages are deleted right after linking, so they are detached-on-delete but still listed.
    EXPECT_EQ(attachedStages(two.ID), 2);
    Shader three(DIR + "plain.vert", DIR + "geom.frag", DIR + "passthrough.geom");
    glGetProgramiv(three.ID, GL_LINK_STATUS, &linked);
    EXPECT_TRUE(linked);
    EXPECT_EQ(attachedStages(three.ID), 3);
    EXPECT_EQ(glGetFragDataLocation(three.ID, "fragColor"), 0);
}

TEST_F(ShaderTest, LinkFailureIsReportedOnceAndKept) {
    std::stringstream captured;
    std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
    Shader bad(DIR + "plain.vert", DIR + "mismatch.frag", " ");
    std::cout.rdbuf(old);
    const std::string out = captured.str();
    EXPECT_NE(bad.ID, 0u);
    EXPECT_EQ(out.rfind("ERROR::PROGRAM_LINKING_ERROR of type: PROGRAM\n", 0), 0u) << out;
    EXPECT_EQ(out.find("ERROR::PROGRAM_LINKING_ERROR", 1), std::string::npos);
    EXPECT_NE(out.find("\n -- --------------------------------------------------- -- \n"), std::string::npos);
    // Using the unlinked program is a GL error but no crash.
    bad.use();
    glGetError();
    glUseProgram(0);
}

TEST_F(ShaderTest, SettersReachTheCurrentProgram) {
    Shader s(DIR + "plain.vert", DIR + "plain.frag", " ");
    s.use();
    s.setVec3("tint", glm::vec3(0.25f, 0.5f, 0.75f));
    s.setVec4("tint4", glm::vec4(1, 2, 3, 4));
    s.setVec2("offset2", glm::vec2(5, 6));
    s.setFloat("gain", 2.5f);
    s.setInt("mode", 7);
    s.setBool("enabled", true);
    glm::mat4 m(1.0f);
    m[3] = glm::vec4(1, 2, 3, 1);
    s.setMat4("modelMatrix", m);
    s.setFloat("notDeclared", 1.0f);  // silently ignored
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    float v[16] = {};
    glGetUniformfv(s.ID, glGetUniformLocation(s.ID, "tint"), v);
    EXPECT_EQ(glm::make_vec3(v), glm::vec3(0.25f, 0.5f, 0.75f));
    glGetUniformfv(s.ID, glGetUniformLocation(s.ID, "tint4"), v);
    EXPECT_EQ(glm::make_vec4(v), glm::vec4(1, 2, 3, 4));
    glGetUniformfv(s.ID, glGetUniformLocation(s.ID, "offset2"), v);
    EXPECT_EQ(glm::make_vec2(v), glm::vec2(5, 6));
    glGetUniformfv(s.ID, glGetUniformLocation(s.ID, "gain"), v);
    EXPECT_EQ(v[0], 2.5f);
    glGetUniformfv(s.ID, glGetUniformLocation(s.ID, "modelMatrix"), v);
    EXPECT_EQ(glm::make_mat4(v), m);
    int i = 0;
    glGetUniformiv(s.ID, glGetUniformLocation(s.ID, "mode"), &i);
    EXPECT_EQ(i, 7);
    glGetUniformiv(s.ID, glGetUniformLocation(s.ID, "enabled"), &i);
    EXPECT_EQ(i, 1);
    s.setVec3("tint", 1.0f, 0.0f, 0.5f);
    glGetUniformfv(s.ID, glGetUniformLocation(s.ID, "tint"), v);
    EXPECT_EQ(glm::make_vec3(v), glm::vec3(1.0f, 0.0f, 0.5f));
    glUseProgram(0);
}

// The messages go to standard output; the death checks read standard error, so send one to the other.
TEST_F(ShaderDeathTest, MissingFileEndsTheProcess) {
    EXPECT_EXIT(
        {
            dup2(2, 1);
            Shader s(DIR + "no-such.vert", DIR + "plain.frag", " ");
        },
        ::testing::ExitedWithCode(255), "Failed to open shader file: tests/fixtures/shaders/no-such.vert");
    // An empty geometry path is a file name, not "none".
    EXPECT_EXIT(
        {
            dup2(2, 1);
            Shader s(DIR + "plain.vert", DIR + "plain.frag", "");
        },
        ::testing::ExitedWithCode(255), "Failed to open shader file: \n");
}

TEST_F(ShaderDeathTest, CompileFailurePrintsTheLog) {
    EXPECT_EXIT(
        {
            dup2(2, 1);
            Shader s(DIR + "plain.vert", DIR + "broken.frag", " ");
        },
        ::testing::ExitedWithCode(255), "Failed to compile shader\n.*undeclaredThing");
}
