// Forward pass: the scene target, and what each entity's program receives (lights, material, shadows).
#include "render/forward_pass.h"

#include "tiny_scene.h"

#include "core/toggles.h"
#include "support/gl_context.h"
#include "support/matchers.h"
#include "world/transform.h"

#include <gtest/gtest.h>

namespace {

struct SceneTarget : GlTest {};

GLint texLevel(GLenum parameter) {
    GLint v = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, parameter, &v);
    return v;
}

GLint texParameter(GLenum parameter) {
    GLint v = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &v);
    return v;
}

}  // namespace

TEST_F(SceneTarget, ColourAndDepthAtTheSettingsSizeWithTheirFiltersAndComplete) {
    settings.width = 321.9f;  // sizes are truncated
    settings.height = 200.0f;
    Renderer renderer;
    createSceneTarget(renderer);

    glBindTexture(GL_TEXTURE_2D, renderer.sceneColorTexture);
    EXPECT_EQ(texLevel(GL_TEXTURE_WIDTH), 321);
    EXPECT_EQ(texLevel(GL_TEXTURE_HEIGHT), 200);
    EXPECT_EQ(texLevel(GL_TEXTURE_RED_SIZE), 8);
    EXPECT_EQ(texLevel(GL_TEXTURE_GREEN_SIZE), 8);
    EXPECT_EQ(texLevel(GL_TEXTURE_BLUE_SIZE), 8);
    EXPECT_EQ(texParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(texParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);

    glBindTexture(GL_TEXTURE_2D, renderer.sceneDepthTexture);
    EXPECT_EQ(texLevel(GL_TEXTURE_WIDTH), 321);
    EXPECT_EQ(texLevel(GL_TEXTURE_HEIGHT), 200);
    EXPECT_GE(texLevel(GL_TEXTURE_DEPTH_SIZE), 16);
    EXPECT_EQ(texParameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(texParameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(texParameter(GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(texParameter(GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);

    glBindFramebuffer(GL_FRAMEBUFFER, renderer.sceneFramebuffer);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

namespace {

// One textured quad in front of the camera, drawn with the shipped main program.
struct ForwardUniforms : GlTest {
    std::unique_ptr<tiny::Scene> scene;
    Entity entity = nullEntity;
    void SetUp() override {
        GlTest::SetUp();
        scene = std::make_unique<tiny::Scene>(64, 48);
        Model& wall = scene->addModel({tiny::quad("wall", {-1, -1, 0}, {2, 0, 0}, {0, 2, 0})});
        entity = scene->addEntity(wall, {0.0f, 0.5f, 0.0f});
        scene->lookAt({0.0f, 0.0f, 2.0f}, {0.0f, 0.0f, 0.0f});
    }
    const Shader& program() const { return scene->main; }
    GLint at(const std::string& name) const { return glGetUniformLocation(program().ID, name.c_str()); }
    int getInt(const std::string& name) const {
        GLint v = -99;
        glGetUniformiv(program().ID, at(name), &v);
        return v;
    }
    float getFloat(const std::string& name) const {
        float v = -99.0f;
        glGetUniformfv(program().ID, at(name), &v);
        return v;
    }
    glm::vec3 getVec3(const std::string& name) const {
        glm::vec3 v(-99.0f);
        glGetUniformfv(program().ID, at(name), &v.x);
        return v;
    }
    glm::mat4 getMat4(const std::string& name) const {
        glm::mat4 v(-99.0f);
        glGetUniformfv(program().ID, at(name), &v[0][0]);
        return v;
    }
    void draw() {
        glBindFramebuffer(GL_FRAMEBUFFER, scene->renderer.sceneFramebuffer);
        glViewport(0, 0, 64, 48);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawScene(ForwardPassContext{scene->registry, scene->view, scene->projection, scene->eye, scene->renderer});
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
};

}  // namespace

TEST_F(ForwardUniforms, WithoutLightsNoLightIsUploadedAndTheEntityIsStillDrawn) {
    program().use();
    program().setVec3("pointLight[0].mPosition", glm::vec3(42.0f));
    program().setInt("nr_pointlights", 5);
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_SAMPLES_PASSED, query);
    draw();
    glEndQuery(GL_SAMPLES_PASSED);
    GLuint samples = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
    glDeleteQueries(1, &query);
    EXPECT_EQ(getInt("nr_pointlights"), 0);
    EXPECT_EQ(getVec3("pointLight[0].mPosition"), glm::vec3(42.0f));
    EXPECT_GT(samples, 0u);
}

TEST_F(ForwardUniforms, TenLightsUploadTheLastEightCreatedAsElements0To7) {
    for (int k = 0; k < 10; ++k) scene->addLight({static_cast<float>(k), 2.0f, 1.0f});
    initShadows(scene->renderer, scene->registry);
    draw();
    EXPECT_EQ(getInt("nr_pointlights"), 8);
    for (int i = 0; i < 8; ++i) {
        const std::string element = "pointLight[" + std::to_string(i) + "]";
        EXPECT_EQ(getVec3(element + ".mPosition").x, static_cast<float>(9 - i)) << element;
        // Element i is the light that owns cube i.
        EXPECT_EQ(getInt(element + ".mLightID"), i) << element;
    }
}

TEST_F(ForwardUniforms, MaterialCameraAndTogglesReachTheProgram) {
    settings.brightness = 0.35f;
    scene->registry.get<Drawable>(entity).environmentMapping = true;
    shadowsEnabled = false;
    normalMappingEnabled = false;
    draw();
    EXPECT_EQ(getVec3("materialCoefficients"), glm::vec3(0.35f, 0.7f, 0.2f));
    EXPECT_EQ(getVec3("diffuseColor"), glm::vec3(1.0f));
    EXPECT_EQ(getFloat("specularAlpha"), 8.0f);
    EXPECT_EQ(getInt("shadows"), 0);
    EXPECT_EQ(getInt("normal_mapping"), 0);
    EXPECT_EQ(getInt("environment_mapping"), 1);
    EXPECT_TRUE(matNear(getMat4("modelMatrix"), worldMatrix(scene->registry.get<Transform>(entity), scene->registry)));
    EXPECT_TRUE(matNear(getMat4("viewMatrix"), scene->view));
    EXPECT_TRUE(matNear(getMat4("projectionMatrix"), scene->projection));
    EXPECT_EQ(getVec3("camera_world"), scene->eye);

    shadowsEnabled = true;
    normalMappingEnabled = true;
    scene->registry.get<Drawable>(entity).environmentMapping = false;
    draw();
    EXPECT_EQ(getInt("shadows"), 1);
    EXPECT_EQ(getInt("normal_mapping"), 1);
    EXPECT_EQ(getInt("environment_mapping"), 0);
}

TEST_F(ForwardUniforms, UnitZeroHoldsTheShadowArrayAndMeshTexturesComeAfterTheBase) {
    scene->addLight({0.0f, 0.0f, 1.0f});
    initShadows(scene->renderer, scene->registry);
    draw();
    EXPECT_EQ(getInt("shadowMapArray"), 0);
    glActiveTexture(GL_TEXTURE0);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP_ARRAY, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), scene->renderer.shadowMapArray);
    // The meshes draw with the build of the program for the lights that reach them: the one left current.
    GLint drawn = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &drawn);
    auto sampler = [&](const char* name) {
        GLint unit = -1;
        glGetUniformiv(static_cast<GLuint>(drawn), glGetUniformLocation(static_cast<GLuint>(drawn), name), &unit);
        return unit;
    };
    EXPECT_EQ(sampler("texture_diffuse1"), FORWARD_UNIT_BASE + 1);
    EXPECT_EQ(sampler("texture_normal1"), FORWARD_UNIT_BASE + 2);
    EXPECT_EQ(sampler("skybox"), FORWARD_UNIT_BASE + 3);
    EXPECT_EQ(scene->models.front()->meshes.front().environmentMap, scene->renderer.skyboxTexture);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
