// Model import through Assimp of small scenes written to files: bones, weights, choices, tables, layout.
#include "assets/model.h"

#include "assets/assimp_convert.h"
#include "support/gl_context.h"
#include "support/matchers.h"
#include "support/process.h"
#include "support/scene_builder.h"

#include <assimp/scene.h>
#include <unistd.h>

#include <filesystem>

namespace {

struct ModelImport : GlTest {
    std::string dir = makeTempDir("model-import");
    std::unique_ptr<aiScene> scene = makeScene();

    std::unique_ptr<Model> load(const std::string& name = "model.assbin") {
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(writeScene(*scene, path));
        return std::make_unique<Model>(path);
    }
    std::string loadCapturing(std::unique_ptr<Model>& model) {
        ::testing::internal::CaptureStdout();
        model = load();
        return ::testing::internal::GetCapturedStdout();
    }
};

}  // namespace

TEST_F(ModelImport, FiveInfluencesKeepTheFirstFour) {
    aiMesh* mesh = makeTriangle("body");
    for (int b = 0; b < 5; ++b) addBoneWeight(*mesh, "b" + std::to_string(b), 0, 0.1f * (b + 1));
    addMesh(*scene, scene->mRootNode, mesh);
    for (int b = 0; b < 5; ++b) addNode(scene->mRootNode, "b" + std::to_string(b));
    const auto model = load();
    ASSERT_EQ(model->meshes.size(), 1u);
    ASSERT_EQ(model->boneCount, 5u);
    const Vertex& v = model->meshes[0].vertices[0];
    for (int s = 0; s < 4; ++s) {
        EXPECT_EQ(v.boneIds[s], static_cast<int>(model->boneIndexByName.at("b" + std::to_string(s))));
        EXPECT_FLOAT_EQ(v.boneWeights[s], 0.1f * (s + 1));
    }
    EXPECT_EQ(model->meshes[0].vertices[1].boneWeights[0], 0.0f);
}

TEST_F(ModelImport, ZeroWeightLeavesItsSlotFree) {
    // Checked on the weights directly as well, in case the importer drops zero weights from files.
    Model model;
    aiMesh* mesh = makeTriangle("body");
    addBoneWeight(*mesh, "first", 0, 0.5f);
    addBoneWeight(*mesh, "zero", 0, 0.0f);
    addBoneWeight(*mesh, "third", 0, 0.25f);
    std::vector<Vertex> vertices(3);
    model.extractBoneWeights(vertices, mesh);
    EXPECT_EQ(vertices[0].boneIds[0], 0);
    EXPECT_EQ(vertices[0].boneIds[1], 2);  // "third" overwrote the slot "zero" was given
    EXPECT_EQ(vertices[0].boneWeights[1], 0.25f);
    EXPECT_EQ(vertices[0].boneWeights[2], 0.0f);
    EXPECT_EQ(model.boneCount, 3u);

    addMesh(*scene, scene->mRootNode, mesh);
    const auto loaded = load();
    ASSERT_EQ(loaded->meshes.size(), 1u);
    const Vertex& v = loaded->meshes[0].vertices[0];
    EXPECT_EQ(v.boneWeights[0], 0.5f);
    EXPECT_EQ(v.boneWeights[1], 0.25f);
    EXPECT_EQ(v.boneIds[1], static_cast<int>(loaded->boneIndexByName.at("third")));
    EXPECT_EQ(v.boneWeights[2], 0.0f);
}

TEST_F(ModelImport, BoneSharedByTwoMeshesCountsOnce) {
    aiMesh* first = makeTriangle("first");
    addBoneWeight(*first, "spine", 0, 1.0f, translation(1, 0, 0));
    aiMesh* second = makeTriangle("second", aiVector3D(5, 0, 0));
    addBoneWeight(*second, "tail", 1, 1.0f);
    addBoneWeight(*second, "spine", 2, 1.0f, translation(2, 0, 0));
    addMesh(*scene, addNode(scene->mRootNode, "a"), first);
    addMesh(*scene, addNode(scene->mRootNode, "b"), second);
    const auto model = load();
    ASSERT_EQ(model->meshes.size(), 2u);
    EXPECT_EQ(model->boneCount, 2u);
    ASSERT_EQ(model->boneInfo.size(), 2u);
    const unsigned int spine = model->boneIndexByName.at("spine");
    EXPECT_EQ(model->meshes[0].vertices[0].boneIds[0], static_cast<int>(spine));
    EXPECT_EQ(model->meshes[1].vertices[2].boneIds[0], static_cast<int>(spine));
    EXPECT_EQ(model->meshes[1].vertices[1].boneIds[0], static_cast<int>(model->boneIndexByName.at("tail")));
    // The last mesh's offset matrix stays.
    EXPECT_TRUE(matNear(model->boneInfo[spine].offset, toGlm(translation(2, 0, 0))));
}

TEST_F(ModelImport, EqualLongestAnimationsChooseTheFirst) {
    addNode(scene->mRootNode, "door");
    for (double duration : {10.0, 30.0, 30.0, 20.0}) {
        aiAnimation* clip = addAnimation(*scene, "clip" + std::to_string(scene->mNumAnimations), duration, 24.0);
        aiNodeAnim* channel = addChannel(*clip, "door");
        addPositionKey(*channel, 0.0, aiVector3D(static_cast<float>(scene->mNumAnimations), 0, 0));
    }
    std::unique_ptr<Model> model;
    const std::string output = loadCapturing(model);
    EXPECT_NE(output.find("Model has more than 1 Animation Choosing longest animation!\n"), std::string::npos);
    EXPECT_EQ(model->animationIndex, 1u);
    ASSERT_EQ(model->channelByNode.count("door"), 1u);
    EXPECT_EQ(model->channelByNode.at("door"), model->scene->mAnimations[1]->mChannels[0]);
}

TEST_F(ModelImport, OneAnimationIsChosenSilently) {
    addNode(scene->mRootNode, "door");
    addChannel(*addAnimation(*scene, "only", 10.0, 24.0), "door")->mNumPositionKeys = 0;
    addPositionKey(*scene->mAnimations[0]->mChannels[0], 0.0, aiVector3D());
    std::unique_ptr<Model> model;
    const std::string output = loadCapturing(model);
    EXPECT_EQ(output.find("Animation"), std::string::npos);
    EXPECT_EQ(model->animationIndex, 0u);
    EXPECT_EQ(model->channelByNode.size(), 1u);
}

TEST_F(ModelImport, LightsOfOneNameLeaveOneEntryInFileOrder) {
    for (const char* name : {"lamp", "candle", "lamp"}) addNode(scene->mRootNode, name);
    addLight(*scene, "lamp", aiLightSource_POINT, aiVector3D(), aiColor3D(1, 0, 0));
    addLight(*scene, "candle", aiLightSource_POINT, aiVector3D(), aiColor3D(0, 1, 0));
    addLight(*scene, "lamp", aiLightSource_POINT, aiVector3D(), aiColor3D(0, 0, 1));
    std::unique_ptr<Model> model;
    const std::string output = loadCapturing(model);
    EXPECT_NE(output.find("Model has Lights!\n"), std::string::npos);
    EXPECT_EQ(model->lightsByName.size(), 2u);
    EXPECT_EQ(model->lightNames, (std::vector<std::string>{"lamp", "candle"}));
    EXPECT_EQ(model->lightsByName.at("lamp")->mColorDiffuse, aiColor3D(0, 0, 1));  // the later one
}

TEST_F(ModelImport, MeshesInDepthFirstNodeOrder) {
    // The scene's own mesh list is in another order than the tree.
    aiNode* left = addNode(scene->mRootNode, "left");
    aiNode* leftChild = addNode(left, "leftChild");
    aiNode* right = addNode(scene->mRootNode, "right");
    addMesh(*scene, right, makeTriangle("right", aiVector3D(0, 0, 1)));
    addMesh(*scene, leftChild, makeTriangle("leftChild", aiVector3D(0, 0, 2)));
    addMesh(*scene, scene->mRootNode, makeTriangle("root", aiVector3D(0, 0, 3)));
    addMesh(*scene, left, makeTriangle("left", aiVector3D(0, 0, 4)));
    const auto model = load();
    // Assimp's binary format drops mesh names, so each mesh is told by its depth.
    std::vector<float> depths;
    for (const Mesh& mesh : model->meshes) depths.push_back(mesh.vertices[0].position.z);
    EXPECT_EQ(depths, (std::vector<float>{3, 4, 2, 1}));  // root, left, leftChild, right
}

TEST_F(ModelImport, DirectoryIsThePathUpToTheLastSlash) {
    addMesh(*scene, scene->mRootNode, makeTriangle("tri"));
    std::filesystem::create_directories(dir + "/models/house");
    ASSERT_TRUE(writeScene(*scene, dir + "/models/house/house.assbin"));
    EXPECT_EQ(Model(dir + "/models/house/house.assbin").directory, dir + "/models/house");

    ASSERT_TRUE(writeScene(*scene, dir + "/bare.assbin"));
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    Model bare("bare.assbin");
    std::filesystem::current_path(previous);
    ASSERT_EQ(bare.meshes.size(), 1u);
    EXPECT_EQ(bare.directory, "bare.assbin");
}

TEST_F(ModelImport, SceneRecordsAreKept) {
    scene->mRootNode->mTransformation = translation(0, 0, 5);
    addNode(scene->mRootNode, "Camera");
    addNode(scene->mRootNode, "Other");
    addCamera(*scene, "Camera", aiVector3D(), aiVector3D(0, 1, 0), aiVector3D(1, 0, 0));
    addCamera(*scene, "Other", aiVector3D(), aiVector3D(0, 1, 0), aiVector3D(0, 0, 1));
    addMesh(*scene, scene->mRootNode, makeTriangle("tri"));
    std::unique_ptr<Model> model;
    const std::string output = loadCapturing(model);
    EXPECT_NE(output.find("successfully loaded model with path: " + dir + "/model.assbin\n"), std::string::npos);
    ASSERT_NE(model->scene, nullptr);
    EXPECT_EQ(model->cameraName, "Camera");
    EXPECT_EQ(model->camera, model->scene->mCameras[0]);
    EXPECT_TRUE(matNear(model->globalInverseTransform, toGlm(translation(0, 0, -5))));
    EXPECT_TRUE(model->channelByNode.empty());
    EXPECT_EQ(model->animationIndex, 0u);
    EXPECT_EQ(model->boneCount, 0u);
}

TEST_F(ModelImport, FailedImportLeavesAnEmptyModel) {
    writeFile(dir + "/broken.fbx", "not a model at all");
    for (const std::string& path : {dir + "/missing.fbx", dir + "/broken.fbx"}) {
        ::testing::internal::CaptureStdout();
        Model model(path);
        const std::string output = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(output.rfind("[ERROR] Assimp: ", 0), 0u) << output;
        EXPECT_GT(output.size(), std::string("[ERROR] Assimp: \n").size());
        EXPECT_EQ(output.find("successfully"), std::string::npos);
        EXPECT_EQ(model.scene, nullptr);
        EXPECT_TRUE(model.meshes.empty());
        EXPECT_EQ(model.boneCount, 0u);
        EXPECT_TRUE(model.lightNames.empty());
    }
}

TEST_F(ModelImport, VertexArrayHasTheShaderLayout) {
    aiMesh* mesh = makeTriangle("tri");
    addBoneWeight(*mesh, "bone", 0, 1.0f);
    addMesh(*scene, scene->mRootNode, mesh);
    const auto model = load();
    ASSERT_EQ(model->meshes.size(), 1u);
    const Mesh& m = model->meshes[0];
    EXPECT_EQ(m.indices, (std::vector<unsigned int>{0, 1, 2}));
    EXPECT_TRUE(vecNear(m.vertices[1].position, {1, 0, 0}));
    EXPECT_TRUE(vecNear(m.vertices[0].normal, {0, 0, 1}));
    // Uvs are flipped on import; the tangent follows u.
    EXPECT_TRUE(vecNear(glm::vec3(m.vertices[2].texCoords, 0), {0, 0, 0}));
    EXPECT_TRUE(vecNear(glm::vec3(m.vertices[1].texCoords, 0), {1, 1, 0}));
    EXPECT_TRUE(vecNear(m.vertices[0].tangent, {1, 0, 0}));
    ASSERT_NE(m.vao, 0u);

    glBindVertexArray(m.vao);
    struct Expected { unsigned int location; int size; GLenum type; bool integer; std::size_t offset; };
    const Expected layout[] = {{0, 3, GL_FLOAT, false, 0},  {2, 2, GL_FLOAT, false, 24}, {4, 3, GL_FLOAT, false, 12},
                               {5, 3, GL_FLOAT, false, 32}, {6, 3, GL_FLOAT, false, 44}, {7, 4, GL_INT, true, 56},
                               {8, 4, GL_FLOAT, false, 72}};
    for (const Expected& e : layout) {
        GLint enabled = 0, size = 0, type = 0, stride = 0, integer = 0, normalised = 1;
        void* offset = nullptr;
        glGetVertexAttribiv(e.location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        glGetVertexAttribiv(e.location, GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
        glGetVertexAttribiv(e.location, GL_VERTEX_ATTRIB_ARRAY_TYPE, &type);
        glGetVertexAttribiv(e.location, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
        glGetVertexAttribiv(e.location, GL_VERTEX_ATTRIB_ARRAY_INTEGER, &integer);
        glGetVertexAttribiv(e.location, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, &normalised);
        glGetVertexAttribPointerv(e.location, GL_VERTEX_ATTRIB_ARRAY_POINTER, &offset);
        EXPECT_TRUE(enabled) << e.location;
        EXPECT_EQ(size, e.size) << e.location;
        EXPECT_EQ(type, static_cast<GLint>(e.type)) << e.location;
        EXPECT_EQ(stride, 88) << e.location;
        EXPECT_EQ(integer != 0, e.integer) << e.location;
        EXPECT_FALSE(normalised) << e.location;
        EXPECT_EQ(reinterpret_cast<std::size_t>(offset), e.offset) << e.location;
    }
    for (unsigned int unused : {1u, 3u}) {
        GLint enabled = 1;
        glGetVertexAttribiv(unused, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        EXPECT_FALSE(enabled) << unused;
    }
    GLint elementBuffer = 0, size = 0;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elementBuffer);
    ASSERT_NE(elementBuffer, 0);
    glBindBuffer(GL_COPY_READ_BUFFER, static_cast<GLuint>(elementBuffer));
    glGetBufferParameteriv(GL_COPY_READ_BUFFER, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, 12);
    glBindVertexArray(0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
