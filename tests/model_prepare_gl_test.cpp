// Model import ahead of the upload: the images it decodes are those the meshes then upload, in order.
#include "assets/model.h"

#include "support/gl_context.h"

#include <assimp/scene.h>

#include <string>
#include <vector>

namespace {

struct ModelPrepare : GlTest {};

// The images an import decodes ahead are exactly those the upload asks for, in the order it asks.
TEST_F(ModelPrepare, ShippedModelImportsDecodeEveryTextureTheyUpload) {
    for (const std::string directory : {"Resources/models/candle1", "Resources/models/house"}) {
        const std::string path = directory + (directory.ends_with("house") ? "/house3.fbx" : "/volumetric_floor.fbx");
        ImportedModel imported = importModel(path);
        ASSERT_NE(imported.scene, nullptr) << path;
        std::vector<std::string> prepared;
        for (const DecodedImage& image : imported.images) {
            EXPECT_NE(image.pixels, nullptr) << image.path;
            prepared.push_back(image.path);
        }

        // The upload walk on its own, reading every file itself, records what it asks for.
        Model model;
        model.directory = directory;
        model.scene = imported.scene;
        model.processNode(imported.scene->mRootNode);
        std::vector<std::string> uploaded;
        for (const Texture& texture : model.texturesLoaded) uploaded.push_back(directory + "/" + texture.path);
        ASSERT_FALSE(uploaded.empty()) << path;
        EXPECT_EQ(prepared, uploaded) << path;
    }
}

}  // namespace
