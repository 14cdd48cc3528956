#version 430 core
// Main program, fragment stage: Blinn-Phong for up to eight point lights with soft cube shadows, in linear
// light; diffuse maps are sRGB. The result is display-encoded and dithered for the 8-bit scene target.
in VertexData {
    vec3 worldPos;
    vec2 uv;
    vec3 normal;
    vec3 tangent;
    vec3 bitangent;
    vec3 bounce;  // the soft light of the lights too far away to need it per pixel
} fs;

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

// The scene pass builds this program once per LIGHT_COUNT: each mesh is lit in full only by the lights
// whose reach meets it or that come near it, copied into nearLight; every other light still adds its soft
// light, through the vertex stage. The count is fixed at compile time because the software rasteriser
// pays for every iteration of a light loop whose bound it cannot see. Without LIGHT_COUNT every light is
// lit in full here.
#if defined(LIGHT_COUNT) && LIGHT_COUNT > 0
uniform PointLight nearLight[LIGHT_COUNT];
// Bit i set: nearLight[i] may light this mesh directly. The static casters hide the whole mesh from the
// others, which then add only their soft light.
uniform int nearLitLights;
#endif
uniform vec3 diffuseColor;
uniform vec3 materialCoefficients;  // ambient, diffuse, specular
uniform float specularAlpha;
uniform vec3 camera_world;
uniform int shadows;
uniform int normal_mapping;
uniform int environment_mapping;

// Spare default units, so samplers that a mesh does not set never share a unit with the shadow array.
layout(binding = 0) uniform samplerCubeArray shadowMapArray;
layout(binding = 13) uniform sampler2D texture_diffuse1;
layout(binding = 14) uniform sampler2D texture_normal1;
layout(binding = 15) uniform samplerCube skybox;

out vec4 fragColor;

// Cold moonlight that reaches everywhere, stronger from above than from below, and the share of each light
// that the rooms bounce back (unshadowed, falling off gently), so nothing the camera sees is pitch black.
const vec3 NIGHT_SKY = vec3(0.11, 0.13, 0.22);
const vec3 NIGHT_GROUND = vec3(0.025, 0.028, 0.04);
const float BOUNCE = 0.25;
const float BOUNCE_FALLOFF = 0.05;
// Overall exposure of the linear result, before the highlights roll off.
const float EXPOSURE = 1.3;
// Candle and lamp light against the moonlit fill: the pools stay warm and the rooms readable.
const float LIGHT_GAIN = 2.5;

// Shadow filter: a disc of samples on the receiver's own plane, so sloped surfaces never shadow themselves.
const int SHADOW_SAMPLES = 12;
const int SHADOW_FIRST = 3;  // samples taken before deciding a pixel is fully lit or fully dark
const float SHADOW_MAP_SIZE = 1024.0;
const float GOLDEN_ANGLE = 2.39996323;
// Where the lookups sample round a pixel at distance d from the light: moved off the surface along its normal,
// biased along the ray (each in shadow texels of 2 d / SHADOW_MAP_SIZE, and metres), over a disc on the
// receiver's plane whose radius grows with d. The visibility queries' margin and widening cover them all.
const float SHADOW_NORMAL_OFFSET_TEXELS = 1.5;
const float SHADOW_BIAS_TEXELS = 1.5;
const float SHADOW_BIAS_METRES = 0.002;
const float SHADOW_DISC_METRES = 0.015;
const float SHADOW_DISC_PER_METRE = 0.012;
// A light weaker than this share of its colour (before LIGHT_GAIN) adds nothing; the shadow pass draws no
// caster beyond it.
const float REACH_SHARE = 0.002;

vec3 toLinear(vec3 c) {
    return mix(c / 12.92, pow((c + 0.055) / 1.055, vec3(2.4)), step(0.04045, c));
}

vec3 toDisplay(vec3 c) {
    return mix(c * 12.92, 1.055 * pow(c, vec3(1.0 / 2.4)) - 0.055, step(0.0031308, c));
}

float hash(vec2 p) {
    return fract(52.9829189 * fract(dot(p, vec2(0.06711056, 0.00583715))));
}

float attenuation(PointLight light, float d) {
    float falloff = light.mAttenuationConstant + light.mAttenuationLinear * d + light.mAttenuationQuadratic * d * d;
    return 1.0 / max(falloff, 1e-3);
}

// Any unit vector perpendicular to n.
vec3 perpendicular(vec3 n) {
    vec3 a = abs(n.x) < 0.9 ? vec3(1.0, 0.0, 0.0) : vec3(0.0, 1.0, 0.0);
    return normalize(cross(n, a));
}

// The cube holds each face's hardware depth. A depth stands for the distance near * far / (far - depth *
// (far - near)) along the face's axis; p is lit when its own axis distance less axisBias is no farther,
// written without the division. axisBias is the bias along the ray, scaled to the axis.
float shadowSample(PointLight light, vec3 p, float axisBias) {
    vec3 fromLight = p - light.mPosition;
    // One level and no derivatives: the lookups sit in loops that pixels leave at different times.
    float depth = textureLod(shadowMapArray, vec4(fromLight, float(light.mLightID)), 0.0).r;
    vec3 a = abs(fromLight);
    float axis = max(a.x, max(a.y, a.z));
    vec2 nf = light.near_far;
    return (axis - axisBias) * (nf.y - depth * (nf.y - nf.x)) <= nf.x * nf.y ? 1.0 : 0.0;
}

// 1 lit, 0 shadowed, from up to `samples` lookups. geometric is the interpolated normal facing the light,
// t and b a unit tangent pair of it: the disc lies on the receiver's own plane.
// The software rasteriser runs both sides of a branch but leaves a loop once no pixel needs it, so every
// shortcut here is a loop bound rather than an early return.
float shadowFactor(PointLight light, vec3 geometric, vec3 t, vec3 b, float distanceToLight, int samples, vec2 dir) {
    // One shadow texel's width at this distance: a face spans 90 degrees over SHADOW_MAP_SIZE texels.
    float texel = 2.0 * distanceToLight / SHADOW_MAP_SIZE;
    vec3 p = fs.worldPos + geometric * (SHADOW_NORMAL_OFFSET_TEXELS * texel);
    float bias = SHADOW_BIAS_TEXELS * texel + SHADOW_BIAS_METRES;
    // Penumbra grows with the distance from the light: soft edges, contact stays sharp enough.
    float radius = SHADOW_DISC_METRES + SHADOW_DISC_PER_METRE * distanceToLight;
    // The bias along the ray in the axis's terms, once for the whole disc: axis / distance hardly
    // changes across it.
    vec3 a = abs(p - light.mPosition);
    float axisBias = bias * max(a.x, max(a.y, a.z)) / max(length(p - light.mPosition), 1e-6);
    const vec2 TURN = vec2(cos(GOLDEN_ANGLE), sin(GOLDEN_ANGLE));

    float lit = 0.0;
    int taken = 0;
    // The bound is not a constant, so the loop stays a loop and is left once every pixel is done.
    for (int i = 0; i < samples; ++i) {
        // Outer samples first, so the first few span the whole disc.
        int k = SHADOW_SAMPLES - 1 - i;
        float r = sqrt((float(k) + 0.5) / float(SHADOW_SAMPLES));
        vec3 q = p + (t * dir.x + b * dir.y) * (r * radius);
        dir = vec2(dir.x * TURN.x + dir.y * TURN.y, dir.y * TURN.x - dir.x * TURN.y);
        lit += shadowSample(light, q, axisBias);
        taken = i + 1;
        // Fully lit or fully dark so far: the rest of the disc will not change it.
        if (taken == SHADOW_FIRST && (lit == 0.0 || lit == float(SHADOW_FIRST))) samples = SHADOW_FIRST;
    }
    return taken == 0 ? 1.0 : lit / float(taken);
}

vec3 shadingNormal(vec3 n) {
    if (normal_mapping == 0) return n;
    vec3 tangent = fs.tangent - n * dot(n, fs.tangent);
    if (dot(tangent, tangent) < 1e-10) return n;
    vec3 t = normalize(tangent);
    vec3 b = cross(n, t);
    if (dot(b, fs.bitangent) < 0.0) b = -b;
    vec3 m = texture(texture_normal1, fs.uv).xyz * 2.0 - 1.0;
    return normalize(mat3(t, b, n) * m);
}

// Keeps everything up to 0.6 as it is and rolls brighter values off smoothly toward 1.
// A loop run once or not at all, so that blocks of pixels all below the shoulder skip the exponentials.
vec3 shoulder(vec3 c) {
    vec3 rolled = c;
    for (int pass = 0; pass < (max(c.r, max(c.g, c.b)) > 0.6 ? 1 : 0); ++pass) {
        vec3 over = max(c - 0.6, 0.0);
        rolled = min(c, 0.6) + 0.4 * (1.0 - exp(-over / 0.4));
    }
    return rolled;
}

// What a light adds without reach or shadow: its ambient colour and the share the rooms bounce back. The
// scene pass defines NO_AMBIENT_COLOUR when no light has an ambient colour, which saves the square root
// and the attenuation of every light at every pixel.
vec3 softLight(PointLight light) {
    vec3 toLight = light.mPosition - fs.worldPos;
    float d2 = dot(toLight, toLight);
    vec3 bounce = light.mColorDiffuse * (BOUNCE / (1.0 + BOUNCE_FALLOFF * d2));
#ifdef NO_AMBIENT_COLOUR
    return bounce;
#else
    return light.mColorAmbient * attenuation(light, sqrt(d2)) + bounce;
#endif
}

// Whether a light adds anything here: faces turned away, and lights too weak to show, get nothing.
bool reaches(PointLight light, vec3 n, vec3 geometric) {
    vec3 toLight = light.mPosition - fs.worldPos;
    float d = length(toLight);
    float strength = attenuation(light, d) * max(light.mColorDiffuse.r, max(light.mColorDiffuse.g, light.mColorDiffuse.b));
    // The facing tests on the direction as it is: the same signs without dividing by the distance.
    return dot(n, toLight) > 0.0 && dot(geometric, toLight) > -0.05 * max(d, 1e-4) && strength >= REACH_SHARE;
}

// Diffuse and specular light of one light that reaches this pixel, shadowed. discT and discB span the
// receiver's plane for geometric's front side; for the back the tangent flips and the pair stays
// right-handed, so one pair per pixel serves every light.
vec3 reachedLight(PointLight light, vec3 n, vec3 geometric, vec3 discT, vec3 discB, vec3 toCamera, vec3 albedo,
                  float kd, float ks, vec2 dir) {
    vec3 toLight = light.mPosition - fs.worldPos;
    float d = length(toLight);
    vec3 l = toLight / max(d, 1e-4);
    float att = attenuation(light, d);
    float facing = max(dot(n, l), 0.0);
    bool front = dot(geometric, l) >= 0.0;
    bool hasCube = light.mLightID >= 0 && light.mLightID < MAX_LIGHTS;
    int samples = hasCube && shadows != 0 ? SHADOW_SAMPLES : 0;
    float shadow = shadowFactor(light, front ? geometric : -geometric, front ? discT : -discT, discB, d, samples, dir);
    vec3 h = normalize(l + toCamera);
#ifdef SPECULAR_SQUARINGS
    // The scene pass knows the exponent, a power of two: squarings cost the software rasteriser far less
    // than pow.
    float specular = max(dot(n, h), 0.0);
    for (int k = 0; k < SPECULAR_SQUARINGS; ++k) specular *= specular;
#else
    float specular = pow(max(dot(n, h), 0.0), specularAlpha);
#endif
    return shadow * att * (kd * facing * light.mColorDiffuse * albedo + ks * specular * light.mColorSpecular);
}

#ifdef DEPTH_ONLY
// The scene pass's depth pre-pass: depth only, so the full shading runs once per pixel.
void main() {}
#else
void main() {
    vec3 geometric = normalize(fs.normal);
    if (!gl_FrontFacing) geometric = -geometric;
    vec3 n = shadingNormal(geometric);
    vec3 toCamera = normalize(camera_world - fs.worldPos);
    vec3 albedo = texture(texture_diffuse1, fs.uv).rgb * diffuseColor;
    float ka = materialCoefficients.x;
    float kd = materialCoefficients.y;
    float ks = materialCoefficients.z;

    // Sample k of the shadow disc lies at angle k * GOLDEN_ANGLE + spin, the same for every light.
    float spin = 6.2831853 * hash(gl_FragCoord.xy);
    float first = float(SHADOW_SAMPLES - 1) * GOLDEN_ANGLE + spin;
    vec2 dir = vec2(cos(first), sin(first));
    vec3 discT = perpendicular(geometric);
    vec3 discB = cross(geometric, discT);
    vec3 ambient = mix(NIGHT_GROUND, NIGHT_SKY, 0.5 + 0.5 * n.y) + fs.bounce;
    vec3 direct = vec3(0.0);
#ifndef LIGHT_COUNT
    int count = min(nr_pointlights, MAX_LIGHTS);
    for (int i = 0; i < count; ++i) {
        ambient += softLight(pointLight[i]);
        if (reaches(pointLight[i], n, geometric))
            direct += reachedLight(pointLight[i], n, geometric, discT, discB, toCamera, albedo, kd, ks, dir);
    }
#endif
#if defined(LIGHT_COUNT) && LIGHT_COUNT > 0
    int reachedMask = 0;
    // The near lights' soft light too: the vertex stage has the far ones. A loop with a constant bound
    // costs the software rasteriser far less than one bounded by a uniform.
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        ambient += softLight(nearLight[i]);
        if (reaches(nearLight[i], n, geometric)) reachedMask |= 1 << i;
    }
    reachedMask &= nearLitLights;
    int reachedCount = bitCount(reachedMask);
    for (int k = 0; k < reachedCount; ++k) {
        int i = findLSB(reachedMask);
        reachedMask &= reachedMask - 1;
        direct += reachedLight(nearLight[i], n, geometric, discT, discB, toCamera, albedo, kd, ks, dir);
    }
#endif
    vec3 color = ka * ambient * albedo + LIGHT_GAIN * direct;

    if (environment_mapping != 0) {
        vec3 sky = toLinear(texture(skybox, reflect(-toCamera, n)).rgb);
        float fresnel = pow(1.0 - max(dot(n, toCamera), 0.0), 5.0);
        color += sky * (0.1 + 0.4 * fresnel);
    }

    // Triangular noise of one 8-bit step hides the banding of dark gradients.
    float noise = hash(gl_FragCoord.xy) + hash(gl_FragCoord.yx + 17.0) - 1.0;
    fragColor = vec4(toDisplay(shoulder(EXPOSURE * color)) + noise / 255.0, 1.0);
}
#endif
