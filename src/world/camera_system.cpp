// Camera system and sound listener.
#include "world/camera_system.h"

#include "assets/model.h"
#include "audio/sound_engine.h"
#include "audio/timeline.h"
#include "world/components.h"

void updateCameras(Registry& registry, float deltaTime, FrameCamera& frameCamera) {
    registry.each<Camera, Drawable>([&](Entity, Camera& camera, Drawable& drawable) {
        if (drawable.animated) drawable.cameraTime += deltaTime;
        if (drawable.model)
            drawable.model->updateCameraFromAnimation(drawable.cameraTime, camera.position, camera.view,
                                                      camera.inverseView);
        frameCamera.inverseView = camera.inverseView;
        frameCamera.view = camera.view;
        frameCamera.position = camera.position;
    });
}

ListenerPose listenerPose(const Camera& camera) {
    ListenerPose pose;
    pose.position = camera.position;
    // The view looks down the camera's -z axis; +z would swap left and right.
    pose.lookDirection = -glm::vec3(camera.inverseView[2]);
    return pose;
}

void updateListener(Registry& registry, AudioState& audio) {
    registry.each<Camera, Transform>([&](Entity, Camera& camera, Transform&) {
        ListenerPose pose = listenerPose(camera);
        setListenerPosition(audio.soundEngine, pose.position, pose.lookDirection, pose.velocity, pose.up);
    });
}
