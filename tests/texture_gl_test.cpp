// Material textures: decoding, formats by channel count and type, and the per-model cache.
#include "assets/model.h"
#include "assets/texture.h"

#include "support/gl_context.h"
#include "support/process.h"
#include "support/scene_builder.h"

#include <assimp/scene.h>
#include <stb_image_write.h>

#include <vector>

namespace {

struct Textures : GlTest {
    std::string dir = makeTempDir("textures");

    // A width x 2 image whose bytes count up, so a wrong row stride shows in the read-back.
    std::string writeImage(const std::string& name, int channels, int width = 3) {
        std::vector<unsigned char> pixels(static_cast<std::size_t>(width * 2 * channels));
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(10 + i);
        const std::string path = dir + "/" + name;
        EXPECT_NE(stbi_write_png(path.c_str(), width, 2, channels, pixels.data(), width * channels), 0);
        return path;
    }

    static GLint level0(unsigned int id, GLenum what) {
        GLint value = 0;
        glBindTexture(GL_TEXTURE_2D, id);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &value);
        return value;
    }
};

// Two meshes in separate nodes, each with a material of its own.
std::unique_ptr<Model> twoMeshModel(const std::string& dir, const std::vector<std::string>& firstDiffuse,
                                    const std::vector<std::string>& firstNormals,
                                    const std::vector<std::string>& secondDiffuse,
                                    const std::vector<std::string>& secondNormals) {
    auto scene = makeScene();
    const unsigned int a = addMaterial(*scene, firstDiffuse, firstNormals);
    const unsigned int b = addMaterial(*scene, secondDiffuse, secondNormals);
    addMesh(*scene, addNode(scene->mRootNode, "first"), makeTriangle("first", aiVector3D(), a));
    addMesh(*scene, addNode(scene->mRootNode, "second"), makeTriangle("second", aiVector3D(0, 0, 1), b));
    const std::string path = dir + "/model.assbin";
    EXPECT_TRUE(writeScene(*scene, path));
    auto model = std::make_unique<Model>(path);
    EXPECT_EQ(model->meshes.size(), 2u);
    return model;
}

}  // namespace

TEST_F(Textures, FormatsFollowChannelsAndType) {
    const struct {
        int channels;
        GLint diffuse;
        GLint linear;
    } cases[] = {{1, GL_R8, GL_R8}, {2, GL_RG8, GL_RG8}, {3, GL_SRGB8, GL_RGB8}, {4, GL_SRGB8_ALPHA8, GL_RGBA8}};
    for (const auto& c : cases) {
        const std::string path = writeImage("image" + std::to_string(c.channels) + ".png", c.channels);
        EXPECT_EQ(level0(textureFromFile(path, TEXTURE_DIFFUSE), GL_TEXTURE_INTERNAL_FORMAT), c.diffuse) << c.channels;
        EXPECT_EQ(level0(textureFromFile(path, TEXTURE_NORMAL), GL_TEXTURE_INTERNAL_FORMAT), c.linear) << c.channels;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Textures, OddRowsArriveIntactWithoutPriorAlignment) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // what a fresh context has
    const std::string path = writeImage("odd.png", 3, 3);
    const unsigned int id = textureFromFile(path, TEXTURE_NORMAL);
    EXPECT_EQ(level0(id, GL_TEXTURE_WIDTH), 3);
    std::vector<unsigned char> back(18, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back.data());
    for (std::size_t i = 0; i < back.size(); ++i) EXPECT_EQ(back[i], 10 + i) << i;
}

TEST_F(Textures, SamplingParametersAndMipmaps) {
    const unsigned int id = textureFromFile(writeImage("mip.png", 4, 8), TEXTURE_DIFFUSE);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(value, GL_REPEAT);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_REPEAT);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR_MIPMAP_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, id);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &value);
    EXPECT_EQ(value, 1);  // 8 -> 4 -> 2 -> 1
}

TEST_F(Textures, OnePathInTwoMeshesLoadsOnce) {
    writeImage("wood.png", 3);
    const auto model = twoMeshModel(dir, {"wood.png"}, {}, {"wood.png"}, {});
    ASSERT_EQ(model->texturesLoaded.size(), 1u);
    EXPECT_EQ(model->texturesLoaded[0].path, "wood.png");
    ASSERT_EQ(model->meshes[1].textures.size(), 1u);
    EXPECT_EQ(model->meshes[1].textures[0].id, model->meshes[0].textures[0].id);
    EXPECT_NE(model->meshes[0].textures[0].id, 0u);
}

TEST_F(Textures, NormalMapMetLaterAsDiffuseStaysANormalMap) {
    writeImage("brick.png", 3);
    const auto model = twoMeshModel(dir, {}, {"brick.png"}, {"brick.png"}, {});
    ASSERT_EQ(model->meshes[1].textures.size(), 1u);
    const Texture& second = model->meshes[1].textures[0];
    EXPECT_EQ(second.type, TEXTURE_NORMAL);
    EXPECT_EQ(level0(second.id, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB8);
}

TEST_F(Textures, DiffuseThenNormalsInMaterialOrder) {
    for (const char* name : {"d1.png", "d2.png", "n1.png"}) writeImage(name, 3);
    const auto model = twoMeshModel(dir, {"d1.png", "d2.png"}, {"n1.png"}, {}, {});
    const auto& textures = model->meshes[0].textures;
    ASSERT_EQ(textures.size(), 3u);
    EXPECT_EQ(textures[0].path, "d1.png");
    EXPECT_EQ(textures[1].path, "d2.png");
    EXPECT_EQ(textures[2].path, "n1.png");
    EXPECT_EQ(textures[2].type, TEXTURE_NORMAL);
    EXPECT_EQ(level0(textures[0].id, GL_TEXTURE_INTERNAL_FORMAT), GL_SRGB8);
    EXPECT_TRUE(model->meshes[1].textures.empty());
}

TEST_F(Textures, MissingImageIsReportedOnceAndCached) {
    ::testing::internal::CaptureStdout();
    const auto model = twoMeshModel(dir, {"gone.png"}, {}, {"gone.png"}, {});
    const std::string output = ::testing::internal::GetCapturedStdout();
    const std::string line = "Texture failed to load at path: " + dir + "/gone.png\n";
    ASSERT_NE(output.find(line), std::string::npos) << output;
    EXPECT_EQ(output.find(line, output.find(line) + 1), std::string::npos) << "reported twice";
    ASSERT_EQ(model->texturesLoaded.size(), 1u);
    EXPECT_EQ(model->meshes[0].textures[0].id, model->meshes[1].textures[0].id);
    EXPECT_EQ(model->meshes[1].textures[0].path, "gone.png");
}
