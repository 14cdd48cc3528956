// Test support: in-memory Assimp scenes and their assbin files.
#include "support/scene_builder.h"

#include <assimp/Exporter.hpp>
#include <assimp/material.h>

#include <algorithm>

namespace {

// Assimp frees its arrays with delete[], so they grow by reallocation.
template <typename T>
void append(T*& array, unsigned int& count, const T& item) {
    T* grown = new T[count + 1];
    std::copy(array, array + count, grown);
    grown[count] = item;
    delete[] array;
    array = grown;
    ++count;
}

}  // namespace

std::unique_ptr<aiScene> makeScene(const std::string& rootName, const aiMatrix4x4& rootTransform) {
    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode(rootName);
    scene->mRootNode->mTransformation = rootTransform;
    addMaterial(*scene, {}, {});
    return scene;
}

aiNode* addNode(aiNode* parent, const std::string& name, const aiMatrix4x4& transform) {
    aiNode* node = new aiNode(name);
    node->mTransformation = transform;
    node->mParent = parent;
    append(parent->mChildren, parent->mNumChildren, node);
    return node;
}

aiMesh* makeQuad(const std::string& name, const glm::vec3& origin, const glm::vec3& u, const glm::vec3& v) {
    aiMesh* mesh = new aiMesh();
    mesh->mName = aiString(name);
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mNumVertices = 4;
    const glm::vec3 n = glm::normalize(glm::cross(u, v)), t = glm::normalize(u), b = glm::normalize(v);
    auto ai = [](const glm::vec3& p) { return aiVector3D(p.x, p.y, p.z); };
    mesh->mVertices = new aiVector3D[4]{ai(origin), ai(origin + u), ai(origin + u + v), ai(origin + v)};
    mesh->mNormals = new aiVector3D[4]{ai(n), ai(n), ai(n), ai(n)};
    mesh->mTangents = new aiVector3D[4]{ai(t), ai(t), ai(t), ai(t)};
    mesh->mBitangents = new aiVector3D[4]{ai(b), ai(b), ai(b), ai(b)};
    mesh->mTextureCoords[0] = new aiVector3D[4]{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    mesh->mNumUVComponents[0] = 2;
    mesh->mNumFaces = 2;
    mesh->mFaces = new aiFace[2];
    for (unsigned int f = 0; f < 2; ++f) {
        mesh->mFaces[f].mNumIndices = 3;
        mesh->mFaces[f].mIndices = new unsigned int[3]{0, f + 1, f + 2};
    }
    return mesh;
}

std::vector<aiMesh*> makeBox(const std::string& name, const glm::vec3& lo, const glm::vec3& hi) {
    const glm::vec3 d = hi - lo;
    const glm::vec3 x(d.x, 0, 0), y(0, d.y, 0), z(0, 0, d.z);
    return {
        makeQuad(name + "+x", {hi.x, lo.y, lo.z}, y, z), makeQuad(name + "-x", lo, z, y),
        makeQuad(name + "+y", {lo.x, hi.y, lo.z}, z, x), makeQuad(name + "-y", lo, x, z),
        makeQuad(name + "+z", {lo.x, lo.y, hi.z}, x, y), makeQuad(name + "-z", lo, y, x),
    };
}

unsigned int addMesh(aiScene& scene, aiNode* node, aiMesh* mesh) {
    const unsigned int index = scene.mNumMeshes;
    append(scene.mMeshes, scene.mNumMeshes, mesh);
    if (node) append(node->mMeshes, node->mNumMeshes, index);
    return index;
}

void addBoneWeight(aiMesh& mesh, const std::string& bone, unsigned int vertex, float weight,
                   const aiMatrix4x4& offset) {
    aiBone** end = mesh.mBones + mesh.mNumBones;
    aiBone** found = std::find_if(mesh.mBones, end, [&](aiBone* b) { return bone == b->mName.C_Str(); });
    aiBone* target = found != end ? *found : nullptr;
    if (!target) {
        target = new aiBone();
        target->mName = aiString(bone);
        target->mOffsetMatrix = offset;
        append(mesh.mBones, mesh.mNumBones, target);
    }
    append(target->mWeights, target->mNumWeights, aiVertexWeight(vertex, weight));
}

unsigned int addMaterial(aiScene& scene, const std::vector<std::string>& diffuse,
                         const std::vector<std::string>& normals) {
    aiMaterial* material = new aiMaterial();
    const aiString name("material" + std::to_string(scene.mNumMaterials));
    material->AddProperty(&name, AI_MATKEY_NAME);
    for (const auto& [paths, type] : {std::pair{&diffuse, aiTextureType_DIFFUSE}, {&normals, aiTextureType_NORMALS}})
        for (unsigned int i = 0; i < paths->size(); ++i) {
            const aiString path((*paths)[i]);
            material->AddProperty(&path, AI_MATKEY_TEXTURE(type, i));
        }
    append(scene.mMaterials, scene.mNumMaterials, material);
    return scene.mNumMaterials - 1;
}

aiAnimation* addAnimation(aiScene& scene, const std::string& name, double duration, double ticksPerSecond) {
    aiAnimation* animation = new aiAnimation();
    animation->mName = aiString(name);
    animation->mDuration = duration;
    animation->mTicksPerSecond = ticksPerSecond;
    append(scene.mAnimations, scene.mNumAnimations, animation);
    return animation;
}

aiNodeAnim* addChannel(aiAnimation& animation, const std::string& nodeName) {
    aiNodeAnim* channel = new aiNodeAnim();
    channel->mNodeName = aiString(nodeName);
    append(animation.mChannels, animation.mNumChannels, channel);
    return channel;
}

void addPositionKey(aiNodeAnim& channel, double time, const aiVector3D& value) {
    append(channel.mPositionKeys, channel.mNumPositionKeys, aiVectorKey(time, value));
}

void addRotationKey(aiNodeAnim& channel, double time, const aiQuaternion& value) {
    append(channel.mRotationKeys, channel.mNumRotationKeys, aiQuatKey(time, value));
}

void addScalingKey(aiNodeAnim& channel, double time, const aiVector3D& value) {
    append(channel.mScalingKeys, channel.mNumScalingKeys, aiVectorKey(time, value));
}

aiCamera* addCamera(aiScene& scene, const std::string& name, const aiVector3D& position, const aiVector3D& up,
                    const aiVector3D& lookAt) {
    aiCamera* camera = new aiCamera();
    camera->mName = aiString(name);
    camera->mPosition = position;
    camera->mUp = up;
    camera->mLookAt = lookAt;
    append(scene.mCameras, scene.mNumCameras, camera);
    return camera;
}

aiLight* addLight(aiScene& scene, const std::string& name, aiLightSourceType type, const aiVector3D& position,
                  const aiColor3D& diffuse) {
    aiLight* light = new aiLight();
    light->mName = aiString(name);
    light->mType = type;
    light->mPosition = position;
    light->mColorDiffuse = light->mColorSpecular = diffuse;
    light->mColorAmbient = aiColor3D(0.0f, 0.0f, 0.0f);
    light->mAttenuationConstant = 1.0f;
    append(scene.mLights, scene.mNumLights, light);
    return light;
}

bool writeScene(const aiScene& scene, const std::string& path) {
    Assimp::Exporter exporter;
    return exporter.Export(&scene, "assbin", path) == aiReturn_SUCCESS;
}

aiMatrix4x4 translation(float x, float y, float z) {
    aiMatrix4x4 m;
    return aiMatrix4x4::Translation(aiVector3D(x, y, z), m);
}
