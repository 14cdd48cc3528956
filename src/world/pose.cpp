// Poses: the bone matrices of the clip's time and the posed bounds, for the passes to share.
#include "world/pose.h"

#include "assets/model.h"

#include <algorithm>
#include <limits>

bool isSkinned(const Drawable& drawable) { return drawable.model && drawable.model->boneCount != 0; }

namespace {

Sphere sphereRound(const std::vector<glm::vec3>& points) {
    Sphere sphere;
    if (points.empty()) return sphere;
    glm::vec3 lo(std::numeric_limits<float>::max()), hi(-std::numeric_limits<float>::max());
    for (const glm::vec3& p : points) {
        lo = glm::min(lo, p);
        hi = glm::max(hi, p);
    }
    sphere.centre = 0.5f * (lo + hi);
    for (const glm::vec3& p : points) sphere.radius = std::max(sphere.radius, glm::length(p - sphere.centre));
    return sphere;
}

}  // namespace

std::vector<Sphere> posedBounds(const Model& model, const std::vector<glm::mat4>& bones, const glm::mat4& world) {
    std::vector<Sphere> spheres;
    std::vector<glm::vec3> points;
    for (const Mesh& mesh : model.meshes) {
        points.clear();
        for (const Vertex& v : mesh.vertices) {
            glm::mat4 skin(0.0f);
            float total = 0.0f;
            for (int i = 0; i < MAX_BONE_INFLUENCE; ++i) {
                const int id = v.boneIds[i];
                if (v.boneWeights[i] <= 0.0f || id < 0 || id >= static_cast<int>(bones.size())) continue;
                skin += bones[static_cast<std::size_t>(id)] * v.boneWeights[i];
                total += v.boneWeights[i];
            }
            const glm::mat4 toWorld = total > 0.0f ? world * (skin / total) : world;
            points.push_back(glm::vec3(toWorld * glm::vec4(v.position, 1.0f)));
        }
        spheres.push_back(sphereRound(points));
    }
    return spheres;
}

void poseDrawable(Drawable& drawable) {
    Pose& pose = drawable.pose;
    pose.bones.clear();
    drawable.model->boneTransforms(drawable.animationTime, pose.bones);
    drawable.placement.meshBounds = posedBounds(*drawable.model, pose.bones, drawable.placement.world);
}
