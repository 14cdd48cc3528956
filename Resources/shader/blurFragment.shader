#version 430 core
// One direction of the separable blur of the volumetric light. Neighbours whose rays end at another
// distance count less, so halos stay on their side of a silhouette.
in vec2 uv;

uniform sampler2D tex;   // rgb: in-scattered light, a: ray length
uniform int horizontal;  // 1: along rows, 0: along columns

out vec4 fragColor;

const int RADIUS = 4;
// Gaussian of sigma 2.5 texels.
const float WEIGHTS[RADIUS + 1] = float[](1.0, 0.923116, 0.726149, 0.486752, 0.278037);
// Relative difference of ray lengths at which a neighbour counts as another surface.
const float EDGE = 0.08;

void main() {
    ivec2 size = textureSize(tex, 0);
    ivec2 pixel = min(ivec2(gl_FragCoord.xy), size - 1);
    ivec2 stride = horizontal == 1 ? ivec2(1, 0) : ivec2(0, 1);

    vec4 centre = texelFetch(tex, pixel, 0);
    float reach = max(centre.a, 1e-3) * EDGE;
    vec3 sum = centre.rgb * WEIGHTS[0];
    float weightSum = WEIGHTS[0];
    for (int i = 1; i <= RADIUS; ++i) {
        for (int side = -1; side <= 1; side += 2) {
            vec4 s = texelFetch(tex, clamp(pixel + side * i * stride, ivec2(0), size - 1), 0);
            float diff = (s.a - centre.a) / reach;
            float w = WEIGHTS[i] * exp(-diff * diff);
            sum += s.rgb * w;
            weightSum += w;
        }
    }
    fragColor = vec4(sum / weightSum, centre.a);
}
