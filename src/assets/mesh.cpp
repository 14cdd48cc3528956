// Mesh: upload of one mesh's interleaved vertices and indices, and its draw with material textures.
#include "assets/mesh.h"

#include "core/gl.h"
#include "core/shader.h"

#include <algorithm>
#include <limits>
#include <utility>

Mesh::Mesh(std::vector<Vertex> vertices_, std::vector<unsigned int> indices_, std::vector<Texture> textures_,
           std::string name_)
    : vertices(std::move(vertices_)), indices(std::move(indices_)), textures(std::move(textures_)),
      name(std::move(name_)), surface(surfaceOf(textures)) {
    setupMesh();
    computeBounds();
}

namespace {

void floatAttribute(unsigned int location, int components, std::size_t offset) {
    glEnableVertexAttribArray(location);
    glVertexAttribPointer(location, components, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offset));
}

// Points the program's samplers typeName + n, n = first.. (as far as it declares them), at unit.
void parkSamplers(const Shader& shader, const std::string& typeName, int first, int unit) {
    for (int n = first;; ++n) {
        const GLint location = shader.location(typeName + std::to_string(n));
        if (location < 0) return;
        glUniform1i(location, unit);
    }
}

}  // namespace

void Mesh::setupMesh() {
    unsigned int buffers[2] = {0, 0};
    glGenVertexArrays(1, &vao);
    glGenBuffers(2, buffers);
    glBindVertexArray(vao);
    glObjectLabel(GL_VERTEX_ARRAY, vao, -1, name.c_str());
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    glBufferData(GL_ARRAY_BUFFER, vertices.size() * sizeof(Vertex), vertices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, indices.size() * sizeof(unsigned int), indices.data(), GL_STATIC_DRAW);

    floatAttribute(ATTRIB_POSITION, 3, offsetof(Vertex, position));
    floatAttribute(ATTRIB_TEXCOORDS, 2, offsetof(Vertex, texCoords));
    floatAttribute(ATTRIB_NORMAL, 3, offsetof(Vertex, normal));
    floatAttribute(ATTRIB_TANGENT, 3, offsetof(Vertex, tangent));
    floatAttribute(ATTRIB_BITANGENT, 3, offsetof(Vertex, bitangent));
    glEnableVertexAttribArray(ATTRIB_BONE_IDS);
    glVertexAttribIPointer(ATTRIB_BONE_IDS, 4, GL_INT, sizeof(Vertex),
                           reinterpret_cast<const void*>(offsetof(Vertex, boneIds)));
    floatAttribute(ATTRIB_BONE_WEIGHTS, 4, offsetof(Vertex, boneWeights));
    glBindVertexArray(0);
}

void Mesh::computeBounds() {
    if (vertices.empty()) return;
    glm::vec3 lo(std::numeric_limits<float>::max()), hi(-std::numeric_limits<float>::max());
    for (const Vertex& v : vertices) {
        lo = glm::min(lo, v.position);
        hi = glm::max(hi, v.position);
    }
    boundsCentre = 0.5f * (lo + hi);
    for (const Vertex& v : vertices) boundsRadius = std::max(boundsRadius, glm::length(v.position - boundsCentre));
    for (std::size_t i = 0; i + 2 < indices.size(); i += 3) {
        for (int e = 0; e < 3; ++e) {
            const unsigned int a = indices[i + e], b = indices[i + (e + 1) % 3];
            if (a >= vertices.size() || b >= vertices.size()) continue;
            longestEdge = std::max(longestEdge, glm::length(vertices[a].position - vertices[b].position));
        }
    }
}

void Mesh::draw(const Shader& shader, int unitBase) const {
    int diffuseNumber = 1;
    int normalNumber = 1;
    int unit = unitBase + 1;
    for (const Texture& texture : textures) {
        std::string number;
        if (texture.type == TEXTURE_DIFFUSE) number = std::to_string(diffuseNumber++);
        else if (texture.type == TEXTURE_NORMAL) number = std::to_string(normalNumber++);
        shader.setInt(texture.type + number, unit);
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, texture.id);
        ++unit;
    }
    // Samplers this mesh leaves unset still hold an earlier mesh's unit, perhaps the cube map's below:
    // GL refuses to draw with two sampler types on one unit, so they move past it.
    parkSamplers(shader, TEXTURE_DIFFUSE, diffuseNumber, unit + 1);
    parkSamplers(shader, TEXTURE_NORMAL, normalNumber, unit + 1);
    glActiveTexture(GL_TEXTURE0 + unit);
    shader.setInt("skybox", unit);
    glBindTexture(GL_TEXTURE_CUBE_MAP, environmentMap);
    glBindVertexArray(vao);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT, nullptr);
    glActiveTexture(GL_TEXTURE0);
}
