#version 430 core
// The glyph bitmap's red channel is its coverage; blending lays the colour over the frame.
in vec2 uv;

uniform sampler2D glyph;
uniform vec3 textColor;

out vec4 fragColor;

void main() {
    fragColor = vec4(textColor, texture(glyph, uv).r);
}
