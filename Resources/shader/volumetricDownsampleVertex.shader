#version 430 core
// Full-screen quad over the half-size depth target; the fragment stage works in pixel coordinates.
layout(location = 0) in vec2 aPos;

void main() {
    gl_Position = vec4(aPos, 0.0, 1.0);
}
