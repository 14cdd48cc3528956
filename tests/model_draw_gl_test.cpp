// Model and mesh drawing: sampler units and names, the skinning flag, and a skinned triangle on screen.
#include "assets/model.h"

#include "core/shader.h"
#include "support/gl_context.h"
#include "support/process.h"
#include "support/scene_builder.h"

#include <assimp/scene.h>
#include <glm/gtc/type_ptr.hpp>

namespace {

const std::string FIXTURES = std::string(HOLLOWMERE_SOURCE_DIR) + "/tests/fixtures/";

unsigned int makeTexture(GLenum target) {
    unsigned int id = 0;
    glGenTextures(1, &id);
    glBindTexture(target, id);
    return id;
}

struct ModelDraw : GlTest {
    Shader shader;
    unsigned int cube = 0;

    void SetUp() override {
        GlTest::SetUp();
        shader = Shader(FIXTURES + "skinned.vert", FIXTURES + "skinned.frag", NO_GEOMETRY);
        shader.use();
        cube = makeTexture(GL_TEXTURE_CUBE_MAP);
    }
    int uniformInt(const char* name) const {
        GLint value = -99;
        const GLint location = glGetUniformLocation(shader.ID, name);
        EXPECT_NE(location, -1) << name;
        glGetUniformiv(shader.ID, location, &value);
        return value;
    }
    static unsigned int boundAt(int unit, GLenum binding) {
        GLint previous = 0, id = 0;
        glGetIntegerv(GL_ACTIVE_TEXTURE, &previous);
        glActiveTexture(GL_TEXTURE0 + unit);
        glGetIntegerv(binding, &id);
        glActiveTexture(static_cast<GLenum>(previous));
        return static_cast<unsigned int>(id);
    }
    Mesh triangleMesh(std::vector<Texture> textures) {
        std::vector<Vertex> vertices(3);
        Mesh mesh(vertices, {0, 1, 2}, std::move(textures), "triangle");
        mesh.environmentMap = cube;
        return mesh;
    }
};

// A small triangle left of centre, wholly skinned to the bone "mover", whose node slides +0.9 in x over a
// clip of 10 ticks at 10 ticks per second.
std::string writeSkinnedTriangle(const std::string& dir) {
    auto scene = makeScene();
    aiMesh* mesh = makeTriangle("skin");
    mesh->mVertices[0] = aiVector3D(-0.9f, -0.1f, 0.0f);
    mesh->mVertices[1] = aiVector3D(-0.6f, -0.1f, 0.0f);
    mesh->mVertices[2] = aiVector3D(-0.75f, 0.2f, 0.0f);
    for (unsigned int v = 0; v < 3; ++v) addBoneWeight(*mesh, "mover", v, 1.0f);
    addMesh(*scene, scene->mRootNode, mesh);
    addNode(scene->mRootNode, "mover");
    aiNodeAnim* channel = addChannel(*addAnimation(*scene, "slide", 10.0, 10.0), "mover");
    addPositionKey(*channel, 0.0, aiVector3D(0, 0, 0));
    addPositionKey(*channel, 10.0, aiVector3D(1, 0, 0));
    const std::string path = dir + "/skinned.assbin";
    EXPECT_TRUE(writeScene(*scene, path));
    return path;
}

// A 64 x 64 colour target, cleared to black.
struct Target {
    unsigned int framebuffer = 0, colour = 0;
    Target() {
        colour = makeTexture(GL_TEXTURE_2D);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
        glViewport(0, 0, 64, 64);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    ~Target() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &colour);
    }
    // Red of the pixel under a point in clip space.
    int redAt(float x, float y) const {
        unsigned char pixel[4] = {0, 0, 0, 0};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(static_cast<int>((x + 1.0f) * 32.0f), static_cast<int>((y + 1.0f) * 32.0f), 1, 1, GL_RGBA,
                     GL_UNSIGNED_BYTE, pixel);
        return pixel[0];
    }
};

}  // namespace

TEST_F(ModelDraw, SamplersTakeUnitsAfterTheBase) {
    const Texture d1{makeTexture(GL_TEXTURE_2D), TEXTURE_DIFFUSE, "d1"};
    const Texture d2{makeTexture(GL_TEXTURE_2D), TEXTURE_DIFFUSE, "d2"};
    const Texture n1{makeTexture(GL_TEXTURE_2D), TEXTURE_NORMAL, "n1"};
    Model model;
    model.meshes.push_back(triangleMesh({d1, d2, n1}));
    model.draw(shader, 0.0f, 2);
    EXPECT_EQ(uniformInt("texture_diffuse1"), 3);
    EXPECT_EQ(uniformInt("texture_diffuse2"), 4);
    EXPECT_EQ(uniformInt("texture_normal1"), 5);
    EXPECT_EQ(uniformInt("skybox"), 6);
    EXPECT_EQ(boundAt(3, GL_TEXTURE_BINDING_2D), d1.id);
    EXPECT_EQ(boundAt(4, GL_TEXTURE_BINDING_2D), d2.id);
    EXPECT_EQ(boundAt(5, GL_TEXTURE_BINDING_2D), n1.id);
    EXPECT_EQ(boundAt(6, GL_TEXTURE_BINDING_CUBE_MAP), cube);
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);

    model.draw(shader, 0.0f, 0);  // the shadow pass's base
    EXPECT_EQ(uniformInt("texture_diffuse1"), 1);
    EXPECT_EQ(uniformInt("texture_normal1"), 3);
    EXPECT_EQ(uniformInt("skybox"), 4);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ModelDraw, NumberingRestartsForEveryMesh) {
    const Texture first{makeTexture(GL_TEXTURE_2D), TEXTURE_DIFFUSE, "first"};
    const Texture second{makeTexture(GL_TEXTURE_2D), TEXTURE_DIFFUSE, "second"};
    Model model;
    model.meshes.push_back(triangleMesh({first, first}));
    model.meshes.push_back(triangleMesh({second}));
    model.draw(shader, 0.0f, 2);
    EXPECT_EQ(uniformInt("texture_diffuse1"), 3);
    EXPECT_EQ(boundAt(3, GL_TEXTURE_BINDING_2D), second.id);
    EXPECT_EQ(uniformInt("skybox"), 4);
}

TEST_F(ModelDraw, MeshWithoutTexturesBindsOnlyTheCubeMap) {
    Model model;
    model.meshes.push_back(triangleMesh({}));
    model.draw(shader, 0.0f, 2);
    EXPECT_EQ(uniformInt("skybox"), 3);
    EXPECT_EQ(boundAt(3, GL_TEXTURE_BINDING_CUBE_MAP), cube);
}

TEST_F(ModelDraw, FewerTexturesThanTheLastMeshStillDraw) {
    // The first mesh leaves texture_normal1 on unit 5, where the second puts its cube map.
    const Texture d{makeTexture(GL_TEXTURE_2D), TEXTURE_DIFFUSE, "d"};
    const Texture n{makeTexture(GL_TEXTURE_2D), TEXTURE_NORMAL, "n"};
    Model model;
    model.meshes.push_back(triangleMesh({d, d, n}));
    model.meshes.push_back(triangleMesh({d}));
    model.meshes.push_back(triangleMesh({}));
    glGetError();
    model.draw(shader, 0.0f, 2);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(uniformInt("skybox"), 3);
    for (const char* unset : {"texture_diffuse1", "texture_diffuse2", "texture_normal1"})
        EXPECT_EQ(uniformInt(unset), 4) << unset;
}

TEST_F(ModelDraw, HasAnimationsFollowsTheBoneCount) {
    Model still;
    still.meshes.push_back(triangleMesh({}));
    shader.setInt("hasAnimations", 7);
    still.draw(shader, 0.0f, 2);
    EXPECT_EQ(uniformInt("hasAnimations"), 0);

    // Bones but no animation in the file: the flag is set, the bone uniforms keep what they held.
    Model posed;
    posed.boneCount = 1;
    posed.boneInfo.resize(1);
    const glm::mat4 sentinel(5.0f);
    shader.setMat4("bones[0]", sentinel);
    posed.draw(shader, 1.0f, 2);
    EXPECT_EQ(uniformInt("hasAnimations"), 1);
    glm::mat4 kept(0.0f);
    glGetUniformfv(shader.ID, glGetUniformLocation(shader.ID, "bones[0]"), glm::value_ptr(kept));
    EXPECT_EQ(kept, sentinel);
}

TEST_F(ModelDraw, SkinnedTriangleLandsWhereItsBonePutsIt) {
    Model model(writeSkinnedTriangle(makeTempDir("model-draw")));
    ASSERT_EQ(model.meshes.size(), 1u);
    ASSERT_EQ(model.boneCount, 1u);
    shader.setFloat("textureWeight", 0.0f);
    for (Mesh& mesh : model.meshes) mesh.environmentMap = cube;
    {
        Target target;
        model.draw(shader, 0.0f, 2);
        EXPECT_EQ(uniformInt("hasAnimations"), 1);
        EXPECT_GT(target.redAt(-0.75f, 0.0f), 200);
        EXPECT_LT(target.redAt(0.15f, 0.0f), 50);
    }
    {
        Target target;
        model.draw(shader, 0.9f, 2);  // 9 ticks: moved 0.9 to the right
        EXPECT_LT(target.redAt(-0.75f, 0.0f), 50);
        EXPECT_GT(target.redAt(0.15f, 0.0f), 200);
    }
    {
        Target target;
        model.draw(shader, 1.0f, 2);  // one loop: back at the start
        EXPECT_GT(target.redAt(-0.75f, 0.0f), 200);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ModelDraw, FailedImportDrawsNothing) {
    ::testing::internal::CaptureStdout();
    Model model(makeTempDir("model-draw") + "/missing.fbx");
    ::testing::internal::GetCapturedStdout();
    shader.setInt("hasAnimations", 1);
    Target target;
    model.draw(shader, 1.0f, 2);
    EXPECT_EQ(uniformInt("hasAnimations"), 0);
    EXPECT_EQ(target.redAt(-0.75f, 0.0f), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
