#version 430 core
// Scene to the window; the half-size volumetric light is added, upsampled by ray length so its edges
// follow the silhouettes instead of showing half-size steps.
in vec2 uv;

uniform sampler2D screenTexture;           // display-encoded scene colour
uniform sampler2D depthTexture;            // full-size scene depth
uniform sampler2D volumetricLightTexture;  // blurred half-size in-scattered light, linear; a: ray length
uniform bool useVolumetric;

out vec4 fragColor;

// The frame's projection planes.
const float NEAR = 0.1;
const float FAR = 500.0;
// Tangent of half the frame's vertical field of view.
const float TAN_HALF_FOV = 1.0;
// Relative distance difference at which a half-size texel counts as another surface.
const float EDGE = 0.05;

float viewDistance(float depth) {
    float ndc = depth * 2.0 - 1.0;
    return 2.0 * NEAR * FAR / (FAR + NEAR - ndc * (FAR - NEAR));
}

vec3 toLinear(vec3 c) {
    return mix(c / 12.92, pow((c + 0.055) / 1.055, vec3(2.4)), step(0.04045, c));
}

vec3 toDisplay(vec3 c) {
    return mix(c * 12.92, 1.055 * pow(c, vec3(1.0 / 2.4)) - 0.055, step(0.0031308, c));
}

// Bilinear weights of the four half-size texels round this pixel, scaled down for texels whose ray length
// (kept in alpha by the march and the blur) differs from this pixel's; where every neighbour lies on
// another surface the one nearest in distance is taken.
vec3 upsampledLight(vec4 texels[4], vec2 f, float centreLength) {
    vec3 sum = vec3(0.0);
    float weightSum = 0.0;
    vec3 closest = vec3(0.0);
    float closestDiff = 1e30;
    for (int i = 0; i < 4; ++i) {
        ivec2 corner = ivec2(i & 1, i >> 1);
        float diff = abs(texels[i].a - centreLength) / centreLength;
        vec2 along = mix(1.0 - f, f, vec2(corner));
        float w = along.x * along.y * exp(-(diff * diff) / (EDGE * EDGE));
        sum += w * texels[i].rgb;
        weightSum += w;
        if (diff < closestDiff) {
            closestDiff = diff;
            closest = texels[i].rgb;
        }
    }
    return weightSum > 1e-4 ? sum / weightSum : closest;
}

void main() {
    ivec2 fullSize = textureSize(screenTexture, 0);
    ivec2 pixel = clamp(ivec2(gl_FragCoord.xy), ivec2(0), fullSize - 1);
    vec3 scene = texelFetch(screenTexture, pixel, 0).rgb;
    fragColor = vec4(scene, 1.0);
    if (!useVolumetric) return;

    ivec2 halfSize = textureSize(volumetricLightTexture, 0);
    vec2 t = uv * vec2(halfSize) - 0.5;
    ivec2 base = ivec2(floor(t));
    vec4 texels[4];
    vec3 brightest = vec3(0.0);
    for (int i = 0; i < 4; ++i) {
        texels[i] = texelFetch(volumetricLightTexture, clamp(base + ivec2(i & 1, i >> 1), ivec2(0), halfSize - 1), 0);
        brightest = max(brightest, texels[i].rgb);
    }
    // Where none of the four holds light the scene stays as it is. A loop run once or not at all, as the
    // software rasteriser skips a loop no pixel of a block enters but runs both sides of a branch.
    int lit = max(brightest.r, max(brightest.g, brightest.b)) > 0.0 ? 1 : 0;
    for (int k = 0; k < lit; ++k) {
        // This pixel's ray length: its view distance times the length of its view direction at unit depth.
        vec2 ndc = uv * 2.0 - 1.0;
        vec2 slope = ndc * vec2(float(fullSize.x) / float(fullSize.y), 1.0) * TAN_HALF_FOV;
        float centre = viewDistance(texelFetch(depthTexture, pixel, 0).r) * sqrt(1.0 + dot(slope, slope));
        vec3 light = max(upsampledLight(texels, t - floor(t), centre), vec3(0.0));
        // The light fills what headroom the scene leaves, so a halo glows up to white without a flat
        // burnt-out disc round each flame.
        vec3 base = toLinear(scene);
        vec3 room = max(1.0 - base, vec3(1e-3));
        vec3 color = toDisplay(base + light * room / (room + light));
        // Half a level of noise where light was added hides the 8-bit steps of the soft halos.
        float noise = fract(52.9829189 * fract(dot(gl_FragCoord.xy, vec2(0.06711056, 0.00583715)))) - 0.5;
        if (max(light.r, max(light.g, light.b)) > 0.0) color += noise / 255.0;
        fragColor = vec4(color, 1.0);
    }
}
