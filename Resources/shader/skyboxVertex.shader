#version 430 core
// Sky cube around the camera, pushed to the far plane (z = w) so it only fills cleared depth.
layout(location = 0) in vec3 aPos;

uniform mat4 view;
uniform mat4 projection;

out vec3 direction;

void main() {
    direction = aPos;
    vec4 clip = projection * view * vec4(aPos, 1.0);
    gl_Position = clip.xyww;
}
