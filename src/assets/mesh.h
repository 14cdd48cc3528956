// Mesh and Vertex: one imported mesh as a GPU vertex array, and how it draws.
#pragma once

#include "assets/surface.h"
#include "assets/texture.h"

#include <glm/glm.hpp>

#include <cstddef>
#include <string>
#include <vector>

struct Shader;

inline constexpr int MAX_BONE_INFLUENCE = 4;

// The GPU vertex format, interleaved; a bone slot is free exactly when its weight is 0.0.
struct Vertex {
    glm::vec3 position{0.0f};
    glm::vec3 normal{0.0f};
    glm::vec2 texCoords{0.0f};
    glm::vec3 tangent{0.0f};
    glm::vec3 bitangent{0.0f};
    int boneIds[MAX_BONE_INFLUENCE] = {0, 0, 0, 0};
    float boneWeights[MAX_BONE_INFLUENCE] = {0.0f, 0.0f, 0.0f, 0.0f};
};
static_assert(sizeof(Vertex) == 88, "the vertex shaders read an 88-byte vertex");
static_assert(offsetof(Vertex, normal) == 12);
static_assert(offsetof(Vertex, texCoords) == 24);
static_assert(offsetof(Vertex, tangent) == 32);
static_assert(offsetof(Vertex, bitangent) == 44);
static_assert(offsetof(Vertex, boneIds) == 56);
static_assert(offsetof(Vertex, boneWeights) == 72);

// Vertex attribute locations the shaders read (1 and 3 are unused).
inline constexpr unsigned int ATTRIB_POSITION = 0;
inline constexpr unsigned int ATTRIB_TEXCOORDS = 2;
inline constexpr unsigned int ATTRIB_NORMAL = 4;
inline constexpr unsigned int ATTRIB_TANGENT = 5;
inline constexpr unsigned int ATTRIB_BITANGENT = 6;
inline constexpr unsigned int ATTRIB_BONE_IDS = 7;
inline constexpr unsigned int ATTRIB_BONE_WEIGHTS = 8;

// Owns a vertex array (never deleted), so it moves but is not copied.
struct Mesh {
    std::vector<Vertex> vertices;
    std::vector<unsigned int> indices;
    std::vector<Texture> textures;  // diffuse textures, then normal maps
    std::string name;
    unsigned int vao = 0;
    unsigned int environmentMap = 0;  // cube map for "skybox"; the passes set it before each draw
    Surface surface = Surface::Plain;  // told once from its maps, for the scene pass to pick its program
    // A sphere round the vertices in the mesh's own coordinates (bind pose), for culling against lights.
    glm::vec3 boundsCentre{0.0f};
    float boundsRadius = 0.0f;
    // The longest edge of its triangles, in the same coordinates: how far apart the vertices that a pixel
    // interpolates between may lie.
    float longestEdge = 0.0f;

    // Stores the four values and uploads them (needs a current GL context).
    Mesh(std::vector<Vertex> vertices, std::vector<unsigned int> indices, std::vector<Texture> textures,
         std::string name);
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    Mesh(Mesh&&) = default;
    Mesh& operator=(Mesh&&) = default;

    // Binds the material textures from unit unitBase + 1, then the cube map, and draws; the program is in use.
    void draw(const Shader& shader, int unitBase) const;

private:
    void setupMesh();
    void computeBounds();
};
