// Model import and drawing: a skinned triangle moved on screen by its bone; broken files reported, drawing nothing.
#include "assets/model.h"

#include "core/shader.h"
#include "support/gl_context.h"
#include "support/process.h"
#include "support/scene_builder.h"
#include "world/scene.h"

#include <assimp/scene.h>

namespace {

// The test program draws flat red, skinned with the model's bones; the target is 64 x 64.
struct ModelDraw : GlTest {
    const std::string fixtures = std::string(HOLLOWMERE_SOURCE_DIR) + "/tests/fixtures/";
    Shader shader;
    unsigned int framebuffer = 0, colour = 0;

    void SetUp() override {
        GlTest::SetUp();
        shader = Shader(fixtures + "skinned.vert", fixtures + "skinned.frag", NO_GEOMETRY);
        ASSERT_NE(shader.ID, 0u);
        shader.use();
        shader.setFloat("textureWeight", 0.0f);
        glGenTextures(1, &colour);
        glBindTexture(GL_TEXTURE_2D, colour);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
        glViewport(0, 0, 64, 64);
    }
    // Clears, draws the model at `time` and tells whether the pixels at clip-space (-0.75, 0) and (0.15, 0) are red.
    std::vector<int> litAfterDraw(Model& model, float time) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        std::vector<glm::mat4> bones;
        model.boneTransforms(time, bones);
        model.draw(shader, bones, 2);
        std::vector<int> lit;
        for (int x : {8, 36}) {
            unsigned char pixel[4] = {0, 0, 0, 0};
            glReadPixels(x, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
            lit.push_back(pixel[0] > 128);
        }
        return lit;
    }
    int hasAnimations() const {
        GLint value = -99;
        glGetUniformiv(shader.ID, glGetUniformLocation(shader.ID, "hasAnimations"), &value);
        return value;
    }
};

}  // namespace

// A small triangle left of centre, wholly skinned to the bone "mover", whose node slides +1 in x over a clip of
// 10 ticks at 10 a second.
TEST_F(ModelDraw, ASkinnedTriangleIsDrawnWhereItsBonePutsIt) {
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
    const std::string path = makeTempDir("model-draw") + "/skinned.assbin";
    ASSERT_TRUE(writeScene(*scene, path));
    Model model(path);
    ASSERT_EQ(model.boneCount, 1u);
    EXPECT_EQ(litAfterDraw(model, 0.0f), (std::vector<int>{1, 0})) << "at rest";
    EXPECT_EQ(hasAnimations(), 1);
    EXPECT_EQ(litAfterDraw(model, 0.9f), (std::vector<int>{0, 1})) << "9 ticks: 0.9 to the right";
    EXPECT_EQ(litAfterDraw(model, 1.0f), (std::vector<int>{1, 0})) << "one loop: back at rest";

    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Missing, corrupt and truncated files: each is reported with Assimp's reason and leaves a model that draws nothing.
TEST_F(ModelDraw, BrokenFilesAreReportedAndDrawNothing) {
    const std::string player = readFile(sourceDir() + "/" + PLAYER_MODEL_PATH);
    const std::string lantern = readFile(sourceDir() + "/" + LANTERN_MODEL_PATH);
    ASSERT_TRUE(player.size() > 10000 && lantern.size() > 10000) << "the shipped models";
    const std::string dir = makeTempDir("model-broken");
    const struct {
        std::string name, bytes;
    } cases[] = {
        {"missing.fbx", ""},
        {"empty.fbx", ""},
        {"text.fbx", "not a model at all"},
        {"player-half.fbx", player.substr(0, player.size() / 2)},
        {"lantern-three-quarters.fbx", lantern.substr(0, lantern.size() * 3 / 4)},
        {"lantern-scrambled.fbx", lantern.substr(0, 4000) + std::string(lantern.size() - 4000, '\x7f')},
    };
    for (const auto& c : cases) {
        if (c.name != "missing.fbx") writeFile(dir + "/" + c.name, c.bytes);
        ::testing::internal::CaptureStdout();
        Model model(dir + "/" + c.name);
        const std::string output = ::testing::internal::GetCapturedStdout();
        EXPECT_TRUE(output.starts_with("[ERROR] Assimp: ")) << c.name << ": " << output;
        EXPECT_GT(output.size(), std::string("[ERROR] Assimp: \n").size()) << c.name << ": the reason";
        EXPECT_EQ(model.scene, nullptr) << c.name;
        EXPECT_TRUE(model.meshes.empty()) << c.name;
        shader.setInt("hasAnimations", 1);
        EXPECT_EQ(litAfterDraw(model, 1.0f), (std::vector<int>{0, 0})) << c.name;
        EXPECT_EQ(hasAnimations(), 0) << c.name;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
