// Model import and drawing: a skinned square moved on screen by its bone; broken files reported, drawing nothing.
#include "assets/model.h"

#include "core/shader.h"
#include "support/gl_context.h"
#include "support/gl_probe.h"
#include "support/process.h"
#include "support/scene_builder.h"
#include "world/scene.h"

#include <assimp/scene.h>

namespace {

// The test program draws flat red, skinned with the model's bones.
struct ModelDraw : GlTest {
    const std::string fixtures = std::string(HOLLOWMERE_SOURCE_DIR) + "/tests/fixtures/";
    Shader shader;

    void SetUp() override {
        GlTest::SetUp();
        shader = Shader(fixtures + "skinned.vert", fixtures + "skinned.frag", NO_GEOMETRY);
        ASSERT_NE(shader.ID, 0u);
        shader.use();
        shader.setFloat("textureWeight", 0.0f);
    }
    // Draws the model at `time` into a 64 x 64 target: whether the pixels at clip-space (-0.75, 0) and (0.15, 0)
    // are red.
    std::vector<int> litAfterDraw(Model& model, float time) {
        const ColourTarget target(64, 64);
        std::vector<glm::mat4> bones;
        model.boneTransforms(time, bones);
        model.draw(shader, bones, 2);
        const std::vector<unsigned char> rgb = target.pixels();
        return {rgb[(32 * 64 + 8) * 3] > 128, rgb[(32 * 64 + 36) * 3] > 128};
    }
};

}  // namespace

// A small square left of centre, wholly skinned to the bone "mover", whose node slides +1 in x over a clip of
// 10 ticks at 10 a second.
TEST_F(ModelDraw, ASkinnedSquareIsDrawnWhereItsBonePutsIt) {
    auto scene = makeScene();
    aiMesh* mesh = makeQuad("skin", {-0.9f, -0.1f, 0.0f}, {0.3f, 0.0f, 0.0f}, {0.0f, 0.3f, 0.0f});
    for (unsigned int v = 0; v < 4; ++v) addBoneWeight(*mesh, "mover", v, 1.0f);
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
    const struct { std::string name, bytes; } cases[] = {
        {"missing.fbx", ""}, {"empty.fbx", ""}, {"text.fbx", "not a model at all"},
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
        EXPECT_EQ(litAfterDraw(model, 1.0f), (std::vector<int>{0, 0})) << c.name;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
