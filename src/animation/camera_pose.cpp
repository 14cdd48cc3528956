// Camera pose: the file's first camera placed by its animated node.
#include "animation/camera_pose.h"

#include "animation/hierarchy.h"
#include "assets/assimp_convert.h"
#include "assets/model.h"

#include <assimp/scene.h>

#include <iostream>

namespace {

glm::vec3 normalisedOrKept(const glm::vec3& v) {
    const float length = glm::length(v);
    return length > 0.0f ? v / length : v;
}

}  // namespace

glm::mat4 cameraBasis(const glm::vec3& position, const glm::vec3& up, const glm::vec3& lookAt) {
    const glm::vec3 l = normalisedOrKept(lookAt);
    const glm::vec3 u = normalisedOrKept(up);
    const glm::vec3 r = normalisedOrKept(glm::cross(up, lookAt));
    glm::mat4 basis(1.0f);
    for (int c = 0; c < 3; ++c) {
        basis[c][0] = r[c];
        basis[c][1] = u[c];
        basis[c][2] = l[c];
    }
    basis[3][0] = -glm::dot(r, position);
    basis[3][1] = -glm::dot(u, position);
    basis[3][2] = -glm::dot(l, position);
    return basis;
}

void Model::updateCameraFromAnimation(float t, glm::vec3& position, glm::mat4& view, glm::mat4& inverseView) {
    const aiAnimation* animation = chosenAnimation();
    if (!camera || !animation) {
        if (!noCameraReported) {
            std::cout << "Model has no animated camera: " << path << std::endl;
            noCameraReported = true;
        }
        position = glm::vec3(0.0f);
        inverseView = glm::mat4(1.0f);
        view = glm::mat4(1.0f);
        return;
    }
    // A camera node that is not found keeps the last pose, and is reported once.
    glm::mat4 node(1.0f);
    if (!nodeGlobalTransform(node, animationTicks(*animation, t), cameraName)) {
        if (!noCameraReported) {
            std::cout << "Model has no animated camera: " << path << std::endl;
            noCameraReported = true;
        }
        return;
    }
    const glm::vec3 p = toGlm(camera->mPosition);
    inverseView = globalInverseTransform * node * cameraBasis(p, toGlm(camera->mUp), toGlm(camera->mLookAt));
    view = glm::inverse(inverseView);
    // The eye is the point the view looks from: where the inverse view takes the view's origin.
    position = glm::vec3(inverseView[3]);
}
