#version 430 core
// Until the depth-weighted blur lands the light passes through unchanged.
in vec2 uv;

uniform sampler2D tex;

out vec4 fragColor;

void main() {
    fragColor = texture(tex, uv);
}
