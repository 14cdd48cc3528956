// Model drawing: the bone matrices a pass was given, the skinning flag, then every mesh.
#include "assets/model.h"

#include "core/gl.h"
#include "core/shader.h"

#include <glm/gtc/type_ptr.hpp>

#include <algorithm>

void setBoneUniforms(const Shader& shader, const std::vector<glm::mat4>& bones, bool skinned) {
    for (std::size_t i = 0; i < std::min(bones.size(), static_cast<std::size_t>(MAX_BONES)); ++i)
        glUniformMatrix4fv(shader.location("bones[" + std::to_string(i) + "]"), 1, GL_FALSE,
                           glm::value_ptr(bones[i]));
    glUniform1i(shader.location("hasAnimations"), skinned ? 1 : 0);
}

void Model::draw(const Shader& shader, const std::vector<glm::mat4>& bones, int unitBase) const {
    setBoneUniforms(shader, bones, boneCount != 0);
    for (const Mesh& mesh : meshes) mesh.draw(shader, unitBase);
}
