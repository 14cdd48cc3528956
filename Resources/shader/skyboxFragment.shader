#version 430 core
// The face images are already display-encoded, like the scene target they are drawn into.
in vec3 direction;

uniform samplerCube skybox;

out vec4 fragColor;

void main() {
    fragColor = vec4(texture(skybox, direction).rgb, 1.0);
}
