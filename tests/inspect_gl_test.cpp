// hollowmere-inspect on a model file written for the test: every record it holds, the camera's pose at a
// time, and a file that does not import.
#include "support/process.h"
#include "support/scene_builder.h"

#include <assimp/scene.h>
#include <gtest/gtest.h>

namespace {

std::string inspect(const std::string& args) {
    const CommandResult run = runCommand(binaryDir() + "/tools/inspect/hollowmere-inspect " + args);
    EXPECT_EQ(run.status, 0) << run.output;
    return run.output;
}

}  // namespace

TEST(InspectTool, PrintsEveryRecordOfTheFileAndTheCameraPoseAtTheTime) {
    // Root lifted by 1 in y; a textured triangle on bone Spine; a camera node flying from z = 10 along +x
    // over the longer of two clips; two lights on nodes of their own.
    auto scene = makeScene("Scene", translation(0, 1, 0));
    aiNode* root = scene->mRootNode;
    aiMesh* body = makeTriangle("body", aiVector3D(), addMaterial(*scene, {"skin.png"}, {"skin_n.png"}));
    addBoneWeight(*body, "Spine", 0, 1.0f);
    addMesh(*scene, addNode(root, "Body"), body);
    addNode(root, "Spine", translation(0, 1, 0));
    addNode(root, "Camera", translation(0, 0, 10));
    addNode(root, "Lamp", translation(2, 0, 0));
    addNode(root, "Candle", translation(-1, 3, 0));
    addAnimation(*scene, "idle", 24.0, 24.0);
    aiNodeAnim* flight = addChannel(*addAnimation(*scene, "fly", 48.0, 24.0), "Camera");
    addPositionKey(*flight, 0.0, aiVector3D(0, 0, 10));
    addPositionKey(*flight, 48.0, aiVector3D(4, 0, 10));
    addCamera(*scene, "Camera", aiVector3D(0, 0, 0), aiVector3D(0, 1, 0), aiVector3D(1, 0, 0));
    addLight(*scene, "Lamp", aiLightSource_POINT, aiVector3D(0, 0, 0), aiColor3D(1, 0.5f, 0.25f));
    addLight(*scene, "Candle", aiLightSource_SPOT, aiVector3D(0, 0.5f, 0), aiColor3D(0, 1, 0));
    const std::string path = makeTempDir("inspect") + "/rig.assbin";
    ASSERT_TRUE(writeScene(*scene, path));

    const std::string out = inspect("'" + path + "' --time 1");
    for (const char* record : {
             "root node: \"Scene\"\n", "root transform (rows):\n  1 0 0 0\n  0 1 0 1\n  0 0 1 0\n  0 0 0 1\n",
             "bounding box (mesh coordinates): min (0, 0, 0) max (1, 1, 0)\n",
             "meshes: 1\n  mesh 0 \"\": 3 vertices, 1 triangles\n    texture_diffuse: \"skin.png\"\n"
             "    texture_normal: \"skin_n.png\"\n",
             "bones: 1\n  bone 0 \"Spine\"\n", "animations: 2\n",
             "  animation 0 \"idle\": duration 24 ticks, 24 ticks per second",
             "  animation 1 \"fly\": duration 48 ticks, 24 ticks per second", "chosen animation: 1 \"fly\"",
             "camera: \"Camera\" position (0, 0, 0) up (0, 1, 0) look-at (1, 0, 0)\n",
             "camera pose at 1 s: position (2, 0, 10) looking (1, 0, 0) up (0, 1, 0)\n",
             "lights: 2\n  light \"Lamp\": point, ambient (0, 0, 0) diffuse (1, 0.5, 0.25) specular (1, 0.5, 0.25), "
             "world position (2, 1, 0)\n  light \"Candle\": spot, ambient (0, 0, 0) diffuse (0, 1, 0) specular "
             "(0, 1, 0), world position (-1, 4.5, 0)\n"})
        EXPECT_NE(out.find(record), std::string::npos) << "missing: " << record << "\nin:\n" << out;
    // The clip of 2 s wraps: 2.5 s is a quarter of the way along it.
    const std::string wrapped = inspect("'" + path + "' --time 2.5");
    EXPECT_NE(wrapped.find("camera pose at 2.5 s: position (1, 0, 10)"), std::string::npos) << wrapped;
}

TEST(InspectTool, AFileThatDoesNotImportEndsWithStatus1AndTheImportersMessage) {
    const std::string dir = makeTempDir("inspect");
    writeFile(dir + "/broken.fbx", "Kaydara FBX Binary, cut short");
    for (const std::string& path : {dir + "/broken.fbx", dir + "/missing.fbx"}) {
        const CommandResult run = runCommand(binaryDir() + "/tools/inspect/hollowmere-inspect '" + path + "'");
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_NE(run.output.find("[ERROR] Assimp: "), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("meshes:"), std::string::npos) << run.output;
    }
}
