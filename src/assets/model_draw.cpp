// Model drawing: the bone matrices of the draw's time, the skinning flag, then every mesh.
#include "assets/model.h"

#include "core/gl.h"
#include "core/shader.h"

#include <glm/gtc/type_ptr.hpp>

#include <algorithm>

void Model::draw(const Shader& shader, float time, int unitBase) {
    std::vector<glm::mat4> bones;
    boneTransforms(time, bones);
    for (std::size_t i = 0; i < std::min(bones.size(), static_cast<std::size_t>(MAX_BONES)); ++i) {
        const std::string name = "bones[" + std::to_string(i) + "]";
        glUniformMatrix4fv(shader.location(name), 1, GL_FALSE, glm::value_ptr(bones[i]));
    }
    glUniform1i(shader.location("hasAnimations"), boneCount != 0 ? 1 : 0);
    for (const Mesh& mesh : meshes) mesh.draw(shader, unitBase);
}
