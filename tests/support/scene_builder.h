// Test support: small Assimp scenes built in memory, and files the importer reads back exactly.
#pragma once

#include <assimp/scene.h>
#include <glm/glm.hpp>

#include <memory>
#include <string>
#include <vector>

// A scene with a root node and one material without textures.
std::unique_ptr<aiScene> makeScene(const std::string& rootName = "root",
                                   const aiMatrix4x4& rootTransform = aiMatrix4x4());

aiNode* addNode(aiNode* parent, const std::string& name, const aiMatrix4x4& transform = aiMatrix4x4());

// A quad from origin spanning u and v, facing u x v, with one tangent frame and uvs 0..1; not yet in the scene.
aiMesh* makeQuad(const std::string& name, const glm::vec3& origin, const glm::vec3& u, const glm::vec3& v);
// The six outward-facing sides of the box from lo to hi, as six quads.
std::vector<aiMesh*> makeBox(const std::string& name, const glm::vec3& lo, const glm::vec3& hi);
// Adds mesh to the scene's list and to node's mesh indices; returns its index in the scene.
unsigned int addMesh(aiScene& scene, aiNode* node, aiMesh* mesh);
// Appends a weight to mesh's bone named bone, creating the bone with offset on first use.
void addBoneWeight(aiMesh& mesh, const std::string& bone, unsigned int vertex, float weight,
                   const aiMatrix4x4& offset = aiMatrix4x4());

unsigned int addMaterial(aiScene& scene, const std::vector<std::string>& diffuse,
                         const std::vector<std::string>& normals);

aiAnimation* addAnimation(aiScene& scene, const std::string& name, double duration, double ticksPerSecond);
aiNodeAnim* addChannel(aiAnimation& animation, const std::string& nodeName);
void addPositionKey(aiNodeAnim& channel, double time, const aiVector3D& value);
void addRotationKey(aiNodeAnim& channel, double time, const aiQuaternion& value);
void addScalingKey(aiNodeAnim& channel, double time, const aiVector3D& value);

aiCamera* addCamera(aiScene& scene, const std::string& name, const aiVector3D& position, const aiVector3D& up,
                    const aiVector3D& lookAt);
aiLight* addLight(aiScene& scene, const std::string& name, aiLightSourceType type, const aiVector3D& position,
                  const aiColor3D& diffuse);

// Writes the scene in Assimp's own binary format, which keeps every record; false on failure.
bool writeScene(const aiScene& scene, const std::string& path);

// A translation, for building node transforms.
aiMatrix4x4 translation(float x, float y, float z);
