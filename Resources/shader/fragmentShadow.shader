#version 430 core
// Shadow program, fragment stage: distance to the light over the far plane as the depth.
in vec4 fragPos;

uniform vec4 lightPos;
uniform vec2 near_far;

void main() {
    gl_FragDepth = clamp(length(fragPos.xyz - lightPos.xyz) / near_far.y, 0.0, 1.0);
}
