#version 430 core
// Light scattered toward the camera by the dusty air, marched along each view ray at half size.
// rgb: in-scattered light (linear), a: length of the ray, which the blur and the composite compare across pixels.
in vec2 uv;

struct PointLight {
    float mAttenuationConstant;
    float mAttenuationLinear;
    float mAttenuationQuadratic;
    vec3 mColorAmbient;
    vec3 mColorDiffuse;
    vec3 mColorSpecular;
    vec3 mPosition;
    vec2 near_far;
    int mLightID;
    float mTau;
    float mPhi;
    int mNrSamples;
};

const int MAX_LIGHTS = 8;
uniform PointLight pointLight[MAX_LIGHTS];
uniform int nr_pointlights;

uniform sampler2D depthTexture;          // half-size scene depth
uniform samplerCubeArray shadowMapArray; // hardware depth of each cube face
uniform mat4 view_inv;
uniform mat4 projection_inv;
uniform vec3 view_pos;
uniform int num_samples;
uniform float frameTime;                 // seconds the pass has run, moves the sample offsets

out vec4 fragColor;

const float PI = 3.14159265;
// Henyey-Greenstein asymmetry: dust sends most light on forward, so halos face the camera and gather round
// the flames rather than filling the room.
const float G = 0.7;
// Fewest and most samples a light takes per ray; the march costs samples x lights per pixel, and the
// blur gathers the differently offset samples of neighbouring pixels.
const int MIN_SAMPLES = 2;
const int MAX_SAMPLES = 32;
// Share of the pass's count each light takes per pixel: neighbouring pixels march at other offsets,
// so the blur sees several times as many samples as one pixel takes.
const float SAMPLE_SHARE = 0.5;
// Closest a ray is taken to pass a light, so a ray through the flame stays finite.
const float MIN_PASS = 0.05;
// How much of a light's power the thin dust of the house sends on toward the camera. The dust is the
// house's, the same round every light; a light's own mTau only dims what travels through its air.
const float DUST = 0.03;
// Halos are seen the way the eye sees light, not the way a meter reads it: a light's power counts by its
// fourth root against POWER_REF, so a lantern shows its shafts beside a circle of far stronger candles
// without their haze filling the whole parlour.
const float POWER_REF = 100.0;
// Faintest light worth marching for: about a step of the 8-bit window in the darkest rooms.
const float FAINTEST = 1.5e-3;
// Brightest a single light may make a pixel, so the blur cannot smear a hot spot into a blob.
const float MAX_LIGHT = 4.0;

vec3 worldPosition(vec2 texCoord, float depth) {
    vec4 ndc = vec4(texCoord * 2.0 - 1.0, depth * 2.0 - 1.0, 1.0);
    vec4 viewPosition = projection_inv * ndc;
    return (view_inv * vec4(viewPosition.xyz / viewPosition.w, 1.0)).xyz;
}

float phase(float cosTheta) {
    float g2 = G * G;
    float d = 1.0 + g2 - 2.0 * G * cosTheta;
    return (1.0 - g2) / (4.0 * PI * d * sqrt(d));
}

// Interleaved gradient noise: neighbouring pixels start their samples at well spread offsets.
float startOffset(vec2 pixel, int light) {
    float frame = floor(frameTime * 60.0);
    float noise = fract(52.9829189 * fract(dot(pixel, vec2(0.06711056, 0.00583715))));
    return fract(noise + 0.61803399 * (frame + float(light) * 3.0));
}

// 1 where the light reaches the point, 0 where the light's shadow cube holds something nearer.
float visibility(int i, vec3 fromLight, float dist) {
    int cube = pointLight[i].mLightID;
    float depth = textureLod(shadowMapArray, vec4(fromLight, float(cube)), 0.0).r;
    // The face's hardware depth stands for near * far / span along its axis, and along this ray for that
    // times dist / axis; compared without the division.
    vec2 nearFar = pointLight[i].near_far;
    float span = nearFar.y - depth * (nearFar.y - nearFar.x);
    vec3 a = abs(fromLight);
    float axis = max(a.x, max(a.y, a.z));
    return dist * axis * span <= 1.01 * nearFar.x * nearFar.y * dist + 0.02 * axis * span ? 1.0 : 0.0;
}

// The light's colour without its strength, which mPhi carries.
vec3 hue(vec3 color) {
    float peak = max(color.r, max(color.g, color.b));
    return peak > 1e-4 ? color / peak : vec3(1.0);
}

// Samples per ray for light i: the pass's count scaled by the light's own against the default 30, for
// a ray the light sees from end to end (an angle of pi); a ray it sees under a smaller angle needs fewer.
int sampleCount(int i, float angle) {
    float full = float(num_samples) * float(pointLight[i].mNrSamples) / 30.0 * SAMPLE_SHARE;
    return clamp(int(full * angle / PI + 0.5), MIN_SAMPLES, MAX_SAMPLES);
}

// Single scattering of light i along origin + t * dir, t in [0, rayLength]. The samples are spread
// evenly in the angle under which the light sees the ray, so they crowd where the light is close
// and the 1 / distance^2 falloff cancels against their density.
vec3 inScattered(int i, vec3 origin, vec3 dir, float rayLength, float offset) {
    vec3 lightPosition = pointLight[i].mPosition;
    float tau = pointLight[i].mTau;
    vec3 toLight = lightPosition - origin;
    float closest = dot(toLight, dir);
    float pass = max(length(toLight - closest * dir), MIN_PASS);
    float angleStart = atan(-closest, pass);
    float angleEnd = atan(rayLength - closest, pass);
    // Point light of the power seen: intensity power / 4pi, falling off with distance^2 (folded into the angles).
    float power = POWER_REF * sqrt(sqrt(max(pointLight[i].mPhi, 0.0) / POWER_REF));
    float strength = DUST * power / (4.0 * PI) / pass;
    // Even unshadowed and fully forward scattered this light would not show here.
    if (strength * phase(1.0) * (angleEnd - angleStart) < FAINTEST) return vec3(0.0);
    int count = sampleCount(i, angleEnd - angleStart);
    float span = (angleEnd - angleStart) / float(count);

    // The sample angles as a unit vector turned by span each step: t = closest + pass * tan(angle).
    float first = angleStart + offset * span;
    vec2 angle = vec2(cos(first), sin(first));
    mat2 turn = mat2(cos(span), sin(span), -sin(span), cos(span));
    bool shadowed = pointLight[i].mLightID >= 0 && pointLight[i].mLightID < MAX_LIGHTS;

    float sum = 0.0;
    for (int s = 0; s < count; ++s) {
        float t = closest + pass * angle.y / angle.x;
        angle = turn * angle;
        vec3 fromLight = origin + t * dir - lightPosition;
        float dist = length(fromLight);
        if (dist < 1e-5) continue;
        float visible = shadowed ? visibility(i, fromLight, dist) : 1.0;
        sum += phase(dot(fromLight, -dir) / dist) * exp(-tau * (t + dist)) * visible;
    }
    float radiance = strength * sum * span;
    return min(radiance, MAX_LIGHT) * hue(pointLight[i].mColorDiffuse);
}

void main() {
    ivec2 pixel = ivec2(gl_FragCoord.xy);
    ivec2 size = textureSize(depthTexture, 0);
    vec2 texCoord = (vec2(pixel) + 0.5) / vec2(size);
    float depth = texelFetch(depthTexture, min(pixel, size - 1), 0).r;

    vec3 end = worldPosition(texCoord, depth);
    vec3 ray = end - view_pos;
    float rayLength = length(ray);
    vec3 light = vec3(0.0);
    if (rayLength > 1e-5) {
        vec3 dir = ray / rayLength;
        for (int i = 0; i < nr_pointlights && i < MAX_LIGHTS; ++i)
            light += inScattered(i, view_pos, dir, rayLength, startOffset(vec2(pixel), i));
    }
    fragColor = vec4(light, rayLength);
}
