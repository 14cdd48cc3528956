// Transform maths for the forward and shadow passes and for scene construction.
#include "world/transform.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>

glm::mat4 worldMatrix(const Transform& transform, Registry& registry) {
    glm::mat4 local = glm::translate(glm::mat4(1.0f), transform.position) * glm::mat4_cast(transform.rotation);
    local = glm::scale(local, transform.scale);
    // A parent without a Transform has no placement to inherit.
    if (registry.valid(transform.parent) && registry.all_of<Transform>(transform.parent))
        return worldMatrix(registry.get<Transform>(transform.parent), registry) * local;
    return local;
}

float largestScale(const glm::mat4& world) {
    return std::max({glm::length(glm::vec3(world[0])), glm::length(glm::vec3(world[1])),
                     glm::length(glm::vec3(world[2]))});
}

glm::quat rotationFromEuler(const glm::vec3& angles) {
    float cx = std::cos(angles.x * 0.5f), sx = std::sin(angles.x * 0.5f);
    float cy = std::cos(angles.y * 0.5f), sy = std::sin(angles.y * 0.5f);
    float cz = std::cos(angles.z * 0.5f), sz = std::sin(angles.z * 0.5f);
    glm::quat q;
    q.w = cx * cy * cz + sx * sy * sz;
    q.x = sx * cy * cz - cx * sy * sz;
    q.y = cx * sy * cz + sx * cy * sz;
    q.z = cx * cy * sz - sx * sy * cz;
    return q;
}
