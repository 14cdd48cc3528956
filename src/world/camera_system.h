// Camera system: the player's camera posed from its model's animated camera, and the sound listener.
#pragma once

#include <glm/glm.hpp>

struct AudioState;
struct Camera;
struct Registry;

// The frame's copy of the camera; identity at the origin until a camera has been posed.
struct FrameCamera {
    glm::mat4 view{1.0f};
    glm::mat4 inverseView{1.0f};
    glm::vec3 position{0.0f};
};

// Advances cameraTime of animated (Camera, Drawable) entities, poses their cameras and copies the pose.
void updateCameras(Registry& registry, float deltaTime, FrameCamera& frameCamera);

// What the listener is given for one camera.
struct ListenerPose {
    glm::vec3 position{0.0f};
    glm::vec3 lookDirection{0.0f};
    glm::vec3 velocity{0.0f};
    glm::vec3 up{0.0f, 1.0f, 0.0f};
};

// The camera's position and its view direction: the negated third column of inverseView.
ListenerPose listenerPose(const Camera& camera);

// The sound listener follows every (Camera, Transform) entity; works without a sound engine.
void updateListener(Registry& registry, AudioState& audio);
