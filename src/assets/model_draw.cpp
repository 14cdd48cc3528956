// Model drawing: the bone matrices a pass was given, the skinning flag, then every mesh.
#include "assets/model.h"

#include "core/gl.h"
#include "core/shader.h"

#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const UniformNames BONE_UNIFORMS{[] {
    std::vector<std::string> names;
    for (int i = 0; i < MAX_BONES; ++i) names.push_back("bones[" + std::to_string(i) + "]");
    return names;
}};

}  // namespace

void setBoneUniforms(const Shader& shader, const std::vector<glm::mat4>& bones, bool skinned) {
    const std::vector<int>& at = shader.locations(BONE_UNIFORMS);
    for (std::size_t i = 0; i < std::min(bones.size(), at.size()); ++i)
        glUniformMatrix4fv(at[i], 1, GL_FALSE, glm::value_ptr(bones[i]));
    glUniform1i(shader.location("hasAnimations"), skinned ? 1 : 0);
}

void Model::draw(const Shader& shader, const std::vector<glm::mat4>& bones, int unitBase) const {
    setBoneUniforms(shader, bones, boneCount != 0);
    for (const Mesh& mesh : meshes) mesh.draw(shader, unitBase);
}
