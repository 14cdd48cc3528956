// Model import: the Assimp scene kept alive, its meshes, bones, animation choice, camera and lights.
#include "assets/model.h"

#include "assets/assimp_convert.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <iostream>

const unsigned int MODEL_IMPORT_FLAGS = aiProcess_CalcTangentSpace | aiProcess_JoinIdenticalVertices |
                                        aiProcess_Triangulate | aiProcess_GenSmoothNormals |
                                        aiProcess_OptimizeMeshes | aiProcess_FlipUVs;
static_assert((aiProcess_CalcTangentSpace | aiProcess_JoinIdenticalVertices | aiProcess_Triangulate |
               aiProcess_GenSmoothNormals | aiProcess_OptimizeMeshes | aiProcess_FlipUVs) == 0xA0004B);

namespace {

std::string toString(const aiString& s) { return std::string(s.data, s.length); }

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(0, slash);
}

}  // namespace

ImportedModel::ImportedModel() : importer(std::make_unique<Assimp::Importer>()) {}
ImportedModel::ImportedModel(ImportedModel&&) noexcept = default;
ImportedModel& ImportedModel::operator=(ImportedModel&&) noexcept = default;
ImportedModel::~ImportedModel() = default;

namespace {

// Material image names in the order processNode first asks for them: meshes depth-first, diffuse then normals;
// spaces gets how each one's mipmaps average, by the use that first asks for it.
void collectImageNames(const aiScene* scene, const aiNode* node, std::vector<std::string>& names,
                       std::vector<MipSpace>& spaces) {
    for (unsigned int i = 0; i < node->mNumMeshes; ++i) {
        const aiMesh* mesh = scene->mMeshes[node->mMeshes[i]];
        if (mesh->mMaterialIndex >= scene->mNumMaterials) continue;
        const aiMaterial* material = scene->mMaterials[mesh->mMaterialIndex];
        for (aiTextureType type : {aiTextureType_DIFFUSE, aiTextureType_NORMALS}) {
            for (unsigned int t = 0; t < aiGetMaterialTextureCount(material, type); ++t) {
                aiString texturePath;
                aiGetMaterialTexture(material, type, t, &texturePath);
                const std::string name = toString(texturePath);
                if (std::find(names.begin(), names.end(), name) != names.end()) continue;
                names.push_back(name);
                spaces.push_back(type == aiTextureType_DIFFUSE ? MipSpace::Srgb : MipSpace::Stored);
            }
        }
    }
    for (unsigned int i = 0; i < node->mNumChildren; ++i) collectImageNames(scene, node->mChildren[i], names, spaces);
}

}  // namespace

ImportedModel importModel(const std::string& modelPath) {
    ImportedModel imported;
    imported.path = modelPath;
    const aiScene* scene = imported.importer->ReadFile(modelPath.c_str(), MODEL_IMPORT_FLAGS);
    // Later calls test for a scene; an incomplete one must not be walked.
    if (!scene || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) || !scene->mRootNode) return imported;
    imported.scene = scene;
    std::vector<std::string> names;
    std::vector<MipSpace> spaces;
    collectImageNames(scene, scene->mRootNode, names, spaces);
    const std::string directory = directoryOf(modelPath);
    for (std::string& name : names) name = directory + "/" + name;
    // The mipmaps too are made on the worker threads: the driver's own would draw each level on this one.
    imported.images = decodeImages(names, 0, spaces);
    return imported;
}

Model::Model() : importer(std::make_unique<Assimp::Importer>()) {}

Model::Model(const std::string& path) : Model() { loadModel(path); }

Model::Model(ImportedModel imported) : Model() { loadImport(std::move(imported)); }

Model::~Model() = default;

void Model::loadModel(const std::string& modelPath) { loadImport(importModel(modelPath)); }

void Model::loadImport(ImportedModel imported) {
    path = imported.path;
    importer = std::move(imported.importer);
    if (!imported.scene) {
        std::cout << "[ERROR] Assimp: " << importer->GetErrorString() << std::endl;
        scene = nullptr;
        return;
    }
    preparedImages = std::move(imported.images);
    adoptScene(imported.scene, path);
    preparedImages.clear();
    std::cout << "successfully loaded model with path: " << path << std::endl;
}

void Model::adoptScene(const aiScene* imported, const std::string& modelPath) {
    scene = imported;
    path = modelPath;
    aiMatrix4x4 rootInverse = scene->mRootNode->mTransformation;
    rootInverse.Inverse();
    globalInverseTransform = toGlm(rootInverse);
    directory = directoryOf(modelPath);

    if (scene->mNumCameras > 0) {
        camera = scene->mCameras[0];
        cameraName = toString(camera->mName);
    }
    if (scene->mNumLights > 0) {
        std::cout << "Model has Lights!" << std::endl;
        for (unsigned int i = 0; i < scene->mNumLights; ++i) {
            const std::string name = toString(scene->mLights[i]->mName);
            if (lightsByName.find(name) == lightsByName.end()) lightNames.push_back(name);
            lightsByName[name] = scene->mLights[i];
        }
    }
    if (scene->mNumAnimations > 1) {
        std::cout << "Model has more than 1 Animation Choosing longest animation!" << std::endl;
        double longest = -1.0;
        for (unsigned int i = 0; i < scene->mNumAnimations; ++i) {
            if (scene->mAnimations[i]->mDuration > longest) {
                longest = scene->mAnimations[i]->mDuration;
                animationIndex = i;
            }
        }
    }
    processNode(scene->mRootNode);
}

void Model::processNode(const aiNode* node) {
    for (unsigned int i = 0; i < node->mNumMeshes; ++i)
        meshes.push_back(processMesh(scene->mMeshes[node->mMeshes[i]]));
    for (unsigned int i = 0; i < node->mNumChildren; ++i) processNode(node->mChildren[i]);
    if (scene->mNumAnimations == 0) return;
    const aiAnimation* animation = scene->mAnimations[animationIndex];
    const std::string name = toString(node->mName);
    for (unsigned int i = 0; i < animation->mNumChannels; ++i) {
        if (toString(animation->mChannels[i]->mNodeName) == name) channelByNode[name] = animation->mChannels[i];
    }
}

Mesh Model::processMesh(const aiMesh* mesh) {
    std::vector<Vertex> vertices(mesh->mNumVertices);
    const bool hasNormals = mesh->mNormals && mesh->mNumVertices > 0;
    const bool hasUvs = mesh->mTextureCoords[0] && mesh->mNumVertices > 0;
    for (unsigned int i = 0; i < mesh->mNumVertices; ++i) {
        Vertex& v = vertices[i];
        v.position = toGlm(mesh->mVertices[i]);
        if (hasNormals) v.normal = toGlm(mesh->mNormals[i]);
        if (hasUvs) {
            v.texCoords = glm::vec2(mesh->mTextureCoords[0][i].x, mesh->mTextureCoords[0][i].y);
            if (mesh->mTangents) v.tangent = toGlm(mesh->mTangents[i]);
            if (mesh->mBitangents) v.bitangent = toGlm(mesh->mBitangents[i]);
        }
    }
    std::vector<unsigned int> indices;
    for (unsigned int f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        indices.insert(indices.end(), face.mIndices, face.mIndices + face.mNumIndices);
    }
    std::vector<Texture> textures;
    if (mesh->mMaterialIndex < scene->mNumMaterials) {
        const aiMaterial* material = scene->mMaterials[mesh->mMaterialIndex];
        textures = loadMaterialTextures(material, aiTextureType_DIFFUSE, TEXTURE_DIFFUSE);
        std::vector<Texture> normals = loadMaterialTextures(material, aiTextureType_NORMALS, TEXTURE_NORMAL);
        textures.insert(textures.end(), normals.begin(), normals.end());
    }
    extractBoneWeights(vertices, mesh);
    return Mesh(std::move(vertices), std::move(indices), std::move(textures), toString(mesh->mName));
}

void Model::extractBoneWeights(std::vector<Vertex>& vertices, const aiMesh* mesh) {
    for (unsigned int b = 0; b < mesh->mNumBones; ++b) {
        const aiBone* bone = mesh->mBones[b];
        const std::string name = toString(bone->mName);
        unsigned int index = 0;
        const auto found = boneIndexByName.find(name);
        if (found == boneIndexByName.end()) {
            index = boneCount++;
            boneInfo.emplace_back();
        } else {
            index = found->second;
        }
        boneIndexByName[name] = index;
        boneInfo[index].offset = toGlm(bone->mOffsetMatrix);
        for (unsigned int w = 0; w < bone->mNumWeights; ++w) {
            const aiVertexWeight& weight = bone->mWeights[w];
            if (weight.mVertexId >= vertices.size()) continue;  // not a vertex of this mesh
            Vertex& v = vertices[weight.mVertexId];
            for (int s = 0; s < MAX_BONE_INFLUENCE; ++s) {
                if (v.boneWeights[s] == 0.0f) {
                    v.boneIds[s] = static_cast<int>(index);
                    v.boneWeights[s] = weight.mWeight;
                    break;
                }
            }
        }
    }
}
