// hollowmere-inspect on a model file written for the test: every record it holds, and a failed import.
#include "support/process.h"
#include "support/scene_builder.h"

#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const std::string INSPECT = std::string(HOLLOWMERE_BINARY_DIR) + "/tools/inspect/hollowmere-inspect";

// Root lifted by 1 in y; a skinned triangle on bones Spine and Tail; a camera node that flies from z = 10
// along +x over the longer of two clips; two lights on nodes of their own.
std::string writeRig(const std::string& dir) {
    auto scene = makeScene("Scene", translation(0, 1, 0));
    aiNode* root = scene->mRootNode;
    const unsigned int skin = addMaterial(*scene, {"skin.png"}, {"skin_n.png"});
    aiMesh* body = makeTriangle("body", aiVector3D(), skin);
    addBoneWeight(*body, "Spine", 0, 1.0f);
    addBoneWeight(*body, "Tail", 1, 0.5f);
    addBoneWeight(*body, "Spine", 1, 0.5f);
    addMesh(*scene, addNode(root, "Body"), body);
    addNode(addNode(root, "Spine", translation(0, 1, 0)), "Tail");
    addNode(root, "Camera", translation(0, 0, 10));
    addNode(root, "Lamp", translation(2, 0, 0));
    addNode(root, "Candle", translation(-1, 3, 0));

    addAnimation(*scene, "idle", 24.0, 24.0);
    aiNodeAnim* idle = addChannel(*scene->mAnimations[0], "Spine");
    addPositionKey(*idle, 0.0, aiVector3D(0, 1, 0));
    aiNodeAnim* flight = addChannel(*addAnimation(*scene, "fly", 48.0, 24.0), "Camera");
    addPositionKey(*flight, 0.0, aiVector3D(0, 0, 10));
    addPositionKey(*flight, 48.0, aiVector3D(4, 0, 10));

    addCamera(*scene, "Camera", aiVector3D(0, 0, 0), aiVector3D(0, 1, 0), aiVector3D(1, 0, 0));
    addLight(*scene, "Lamp", aiLightSource_POINT, aiVector3D(0, 0, 0), aiColor3D(1, 0.5f, 0.25f));
    addLight(*scene, "Candle", aiLightSource_SPOT, aiVector3D(0, 0.5f, 0), aiColor3D(0, 1, 0));
    const std::string path = dir + "/rig.assbin";
    EXPECT_TRUE(writeScene(*scene, path));
    return path;
}

struct Inspect : ::testing::Test {
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "the inspector opens a hidden window and needs a display";
    }
};

}  // namespace

TEST_F(Inspect, PrintsEveryRecordOfTheFile) {
    const std::string path = writeRig(makeTempDir("inspect"));
    const CommandResult result = runCommand("'" + INSPECT + "' '" + path + "' --time 1");
    ASSERT_EQ(result.status, 0) << result.output;
    const std::string& out = result.output;
    for (const char* line : {
             "root node: \"Scene\"\n",
             "root transform (rows):\n  1 0 0 0\n  0 1 0 1\n  0 0 1 0\n  0 0 0 1\n",
             "bounding box (mesh coordinates): min (0, 0, 0) max (1, 1, 0)\n",
             "meshes: 1\n",
             "  mesh 0 \"\": 3 vertices, 1 triangles\n    texture_diffuse: \"skin.png\"\n"
             "    texture_normal: \"skin_n.png\"\n",
             "bones: 2\n  bone 0 \"Spine\"\n  bone 1 \"Tail\"\n",
             "animations: 2\n",
             "  animation 0 \"idle\": duration 24 ticks, 24 ticks per second",
             "  animation 1 \"fly\": duration 48 ticks, 24 ticks per second",
             "chosen animation: 1 \"fly\"",
             "camera: \"Camera\" position (0, 0, 0) up (0, 1, 0) look-at (1, 0, 0)\n",
             "camera pose at 1 s: position (2, 0, 10) looking (1, 0, 0) up (0, 1, 0)\n",
             "lights: 2\n",
             "  light \"Lamp\": point, ambient (0, 0, 0) diffuse (1, 0.5, 0.25) specular (1, 0.5, 0.25), "
             "world position (2, 1, 0)\n",
             "  light \"Candle\": spot, ambient (0, 0, 0) diffuse (0, 1, 0) specular (0, 1, 0), "
             "world position (-1, 4.5, 0)\n",
         }) {
        EXPECT_NE(out.find(line), std::string::npos) << "missing: " << line << "\nin:\n" << out;
    }
    EXPECT_LT(out.find("light \"Lamp\""), out.find("light \"Candle\""));  // file order
}

TEST_F(Inspect, CameraPoseFollowsTheTime) {
    const std::string path = writeRig(makeTempDir("inspect"));
    const CommandResult start = runCommand("'" + INSPECT + "' '" + path + "'");
    ASSERT_EQ(start.status, 0) << start.output;
    EXPECT_NE(start.output.find("camera pose at 0 s: position (0, 0, 10)"), std::string::npos) << start.output;
    const CommandResult wrapped = runCommand("'" + INSPECT + "' '" + path + "' --time 2.5");
    EXPECT_NE(wrapped.output.find("camera pose at 2.5 s: position (1, 0, 10)"), std::string::npos) << wrapped.output;
}

TEST_F(Inspect, FileThatDoesNotImportExitsWithAssimpsMessage) {
    const std::string dir = makeTempDir("inspect");
    writeFile(dir + "/broken.fbx", "Kaydara FBX Binary, cut short");
    for (const std::string& path : {dir + "/broken.fbx", dir + "/missing.fbx"}) {
        const CommandResult result = runCommand("'" + INSPECT + "' '" + path + "'");
        EXPECT_EQ(result.status, 1) << result.output;
        EXPECT_NE(result.output.find("[ERROR] Assimp: "), std::string::npos) << result.output;
        EXPECT_EQ(result.output.find("meshes:"), std::string::npos);
    }
}
