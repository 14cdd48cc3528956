// Model: one imported model file with its GPU meshes, bones, animation, camera and lights.
#pragma once

#include "assets/image_decode.h"
#include "assets/mesh.h"
#include "assets/texture.h"

#include <assimp/material.h>
#include <glm/glm.hpp>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace Assimp {
class Importer;
}

// Bone matrices the vertex shaders hold (their MAX_BONES); a bone beyond them does not move its vertices.
inline constexpr int MAX_BONES = 64;

struct aiAnimation;
struct aiCamera;
struct aiLight;
struct aiMesh;
struct aiNode;
struct aiScene;
struct Shader;

// Post-processing asked of Assimp for every model file (0xA0004B).
extern const unsigned int MODEL_IMPORT_FLAGS;

// A model file read without GL: the Assimp scene and its material images, decoded ahead of the upload.
struct ImportedModel {
    std::string path;
    std::unique_ptr<Assimp::Importer> importer;
    const aiScene* scene = nullptr;     // owned by importer; null when the import failed
    std::vector<DecodedImage> images;   // every material image the meshes use, full paths, first use first

    ImportedModel();
    ImportedModel(ImportedModel&&) noexcept;
    ImportedModel& operator=(ImportedModel&&) noexcept;
    ~ImportedModel();
};

// Reads path and decodes its images; safe on any thread, several at once.
ImportedModel importModel(const std::string& path);

struct aiNodeAnim;

// Node name -> the chosen animation's channel for it.
using ChannelMap = std::unordered_map<std::string, const aiNodeAnim*>;

struct BoneInfo {
    glm::mat4 offset{1.0f};          // mesh space to bone space, from the file
    glm::mat4 finalTransform{1.0f};  // skinning matrix of the last hierarchy walk; identity for a bone without node
};

// Uploads "bones[i]" (up to MAX_BONES of them) and "hasAnimations" (skinned) to the program in use.
void setBoneUniforms(const Shader& shader, const std::vector<glm::mat4>& bones, bool skinned);

// Created once per file and never destroyed: owns the importer that keeps `scene` alive and GL objects.
struct Model {
    std::string directory;                 // path up to its last "/"
    std::vector<Texture> texturesLoaded;   // per-model texture cache, in creation order
    std::vector<Mesh> meshes;              // depth-first order of the node tree
    const aiScene* scene = nullptr;        // owned by importer; null when the import failed
    std::unique_ptr<Assimp::Importer> importer;
    ChannelMap channelByNode;              // node name -> chosen animation's channel
    unsigned int boneCount = 0;  // the shaders skin with the first MAX_BONES of them
    std::vector<BoneInfo> boneInfo;        // by bone index
    std::map<std::string, unsigned int> boneIndexByName;
    glm::mat4 globalInverseTransform{1.0f};
    std::string cameraName;                // first camera's name, empty without one
    const aiCamera* camera = nullptr;      // first camera, or null
    std::unordered_map<std::string, const aiLight*> lightsByName;
    std::vector<std::string> lightNames;   // the keys of lightsByName in file order (first occurrence)
    unsigned int animationIndex = 0;       // the chosen (longest) animation
    std::string path;                      // as given, for messages
    bool noCameraReported = false;
    std::vector<DecodedImage> preparedImages;  // decoded by importModel, kept only while the meshes upload

    // An empty model: no scene, nothing drawn. Tests attach in-memory scenes with adoptScene.
    Model();
    // Imports path (relative to the working directory, "/" separators); needs a current GL context.
    explicit Model(const std::string& path);
    // Takes an import made earlier, perhaps on another thread; the messages and GL work of loadModel.
    explicit Model(ImportedModel imported);
    ~Model();
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    // Import: ReadFile, the failure message, then adoptScene and the success message.
    void loadModel(const std::string& path);
    // The same from an import already read: the failure message, or adoptScene and the success message.
    void loadImport(ImportedModel imported);
    // Takes an imported scene (not owned unless it came from importer): tables, choices, meshes.
    void adoptScene(const aiScene* imported, const std::string& path);
    void processNode(const aiNode* node);
    Mesh processMesh(const aiMesh* mesh);
    void extractBoneWeights(std::vector<Vertex>& vertices, const aiMesh* mesh);
    std::vector<Texture> loadMaterialTextures(const aiMaterial* material, aiTextureType type,
                                              const std::string& typeName);

    // The given bone matrices and "hasAnimations", then every mesh; the program is in use.
    void draw(const Shader& shader, const std::vector<glm::mat4>& bones, int unitBase) const;

    // The animation walks (animation/hierarchy.cpp); all are no-ops without a scene.
    // Fills out with boneCount matrices for time in seconds; out untouched without an animation.
    void boneTransforms(float timeInSeconds, std::vector<glm::mat4>& out);
    void readNodeHierarchy(float animationTime, const aiNode* node, const glm::mat4& parentTransform);
    // Depth-first search in child order for the node called name; out is written only when found.
    bool nodeGlobalTransform(glm::mat4& out, float animationTime, const aiNode* node,
                             const glm::mat4& parentTransform, const std::string& name) const;
    // The same from the root with the identity as parent; false without a scene.
    bool nodeGlobalTransform(glm::mat4& out, float animationTime, const std::string& name) const;
    glm::mat4 nodeLocalTransform(float animationTime, const aiNode* node) const;
    // The chosen clip, or null without a scene or animation.
    const aiAnimation* chosenAnimation() const;

    // Poses the file's first camera at t seconds (animation/camera_pose.cpp); position is the eye of the
    // view. Without a camera or an animation: identity inverse view at the origin, reported once; with a
    // camera node that is not found: the outputs keep the last pose, reported once.
    void updateCameraFromAnimation(float t, glm::vec3& position, glm::mat4& view, glm::mat4& inverseView);
};
