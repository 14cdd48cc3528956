#version 430 core
// Until the ray march lands the air scatters nothing.
in vec2 uv;

out vec4 fragColor;

void main() {
    fragColor = vec4(0.0, 0.0, 0.0, 1.0);
}
