#version 430 core
// Half-size copy of the scene depth: each texel keeps the full-size texel at twice its coordinate,
// the same one the composite reads back to weight its upsampling.
uniform sampler2D depthTexture;

out vec4 fragColor;

void main() {
    ivec2 fullSize = textureSize(depthTexture, 0);
    ivec2 source = min(ivec2(gl_FragCoord.xy) * 2, fullSize - 1);
    float depth = texelFetch(depthTexture, source, 0).r;
    gl_FragDepth = depth;
    fragColor = vec4(depth);
}
