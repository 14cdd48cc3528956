#version 430 core
// Main program, fragment stage: Blinn-Phong for up to eight point lights with soft cube shadows, in linear
// light; diffuse maps are sRGB. The result is display-encoded and dithered for the 8-bit scene target.
// The scene pass builds it once more for the ghost's cloth (SURFACE_GLOW: a cool glow of its own) and for
// the window's glass (SURFACE_GLASS: the night through it and on it, and the lights' glints).
in VertexData {
    vec3 worldPos;
    vec2 uv;
    vec3 normal;
    vec3 tangent;
    vec3 bitangent;
    vec3 bounce;  // the soft light of the lights too far away to need it per pixel
#ifdef SURFACE_GLOW
    float height;  // up the sheet, 0 at the hem and 1 at the crown of the head
#endif
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

// Cold moonlight: a fill stronger from above than from below, full outdoors and a small share of it within
// the house's walls, where the lamps carry the rooms; and the moon itself on what faces it outdoors.
const vec3 NIGHT_SKY = vec3(0.11, 0.13, 0.22);
const vec3 NIGHT_GROUND = vec3(0.025, 0.028, 0.04);
const float INDOOR_FILL = 0.42;
const vec3 MOON_DIRECTION = vec3(-0.1200, 0.3001, -0.9463);  // toward the sky's moon
const vec3 MOON_LIGHT = vec3(0.16, 0.19, 0.30);
// Inside this box (the house's inner wall faces, a little inset) the moon does not reach and there is no mist;
// the change runs over HOUSE_EDGE metres, so a window's reveal passes from one to the other.
const vec3 HOUSE_INSIDE_MIN = vec3(-4.85, -0.5, -51.2);
const vec3 HOUSE_INSIDE_MAX = vec3(4.85, 3.4, -0.15);
const float HOUSE_EDGE = 0.3;
// The share of each light that the rooms bounce back (unshadowed, falling off within a room or two), so a
// lamp's room never goes pitch black round its pool.
const float BOUNCE = 0.15;
const float BOUNCE_FALLOFF = 0.2;
// Overall exposure of the linear result, before the highlights roll off.
const float EXPOSURE = 1.85;
// The deepest shade is a cool blue-black, never a void.
const vec3 SHADE_FLOOR = vec3(0.0003, 0.0005, 0.0019);
// Candle and lamp light against the fill: the pools warm and bright at their heart.
const float LIGHT_GAIN = 8.0;
// A light's pool has an edge: beyond where its attenuation falls to POOL_EDGE it dies away as the square.
const float POOL_EDGE = 0.04;
// Warm glints close to a flame: a tight second lobe on top of the material's own.
const float FLAME_GLINT = 1.5;
// Mist over the grounds: thick near the ground and thinning with height, moonlit toward the moon. The sky's
// horizon fades into the same colour (skyboxFragment.shader).
const vec3 MIST_COLOUR = vec3(0.050, 0.066, 0.110);
const vec3 MIST_MOON_GLOW = vec3(0.08, 0.09, 0.12);
const float MIST_DENSITY = 0.03;
const float MIST_HEIGHT = 8.0;

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

// Attenuation with an edge: as it is near the light, falling away faster past POOL_EDGE.
float pool(float att) {
    return att * att / (att + POOL_EDGE);
}

// 0 within the house's walls, 1 out in the night.
float outdoors(vec3 p) {
    vec3 inside = min(p - HOUSE_INSIDE_MIN, HOUSE_INSIDE_MAX - p);
    return 1.0 - smoothstep(0.0, HOUSE_EDGE, min(inside.x, min(inside.y, inside.z)));
}

// The mist's colour along a view direction.
vec3 mistColour(vec3 view) {
    float moon = max(dot(view, MOON_DIRECTION), 0.0);
    moon *= moon;
    moon *= moon;
    return MIST_COLOUR + MIST_MOON_GLOW * (moon * moon);
}

// How much of the mist lies between the camera and p, out of doors.
float mistAmount(vec3 p, float outside) {
    float d = length(p - camera_world) * MIST_DENSITY * exp(-max(p.y, 0.0) / MIST_HEIGHT);
    return outside * (1.0 - exp(-d * d));
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

// Keeps everything up to 0.6 as it is and rolls brighter values off smoothly toward WHITE_TOP, a little short
// of full white, so a hot patch of floor keeps its colour and only the halos, added later, reach white.
// A loop run once or not at all, so that blocks of pixels all below the shoulder skip the exponentials.
const float WHITE_TOP = 0.985;
vec3 shoulder(vec3 c) {
    vec3 rolled = c;
    for (int pass = 0; pass < (max(c.r, max(c.g, c.b)) > 0.6 ? 1 : 0); ++pass) {
        vec3 over = max(c - 0.6, 0.0);
        rolled = min(c, 0.6) + (WHITE_TOP - 0.6) * (1.0 - exp(-over / (WHITE_TOP - 0.6)));
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
    float att = pool(attenuation(light, d));
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
    // Four more squarings: the same highlight sixteen times as tight, strong only in a pool's heart.
    float glint = specular * specular;
    glint *= glint;
    glint *= glint;
    glint *= glint;
    float shine = ks * (specular + FLAME_GLINT * att * glint);
    return shadow * att * (kd * facing * light.mColorDiffuse * albedo + shine * light.mColorSpecular);
}

#ifdef DEPTH_ONLY
// The scene pass's depth pre-pass: depth only, so the full shading runs once per pixel.
void main() {}
#else
// The moon's fill, and the soft light of every light: the vertex stage's far ones and the near ones here.
vec3 softLightAt(vec3 n, float outside) {
    vec3 moon = mix(NIGHT_GROUND, NIGHT_SKY, 0.5 + 0.5 * n.y) * mix(INDOOR_FILL, 1.0, outside)
              + MOON_LIGHT * (max(dot(n, MOON_DIRECTION), 0.0) * outside);
    vec3 ambient = moon + fs.bounce;
#ifndef LIGHT_COUNT
    int count = min(nr_pointlights, MAX_LIGHTS);
    for (int i = 0; i < count; ++i) ambient += softLight(pointLight[i]);
#elif LIGHT_COUNT > 0
    // A loop with a constant bound costs the software rasteriser far less than one bounded by a uniform.
    for (int i = 0; i < LIGHT_COUNT; ++i) ambient += softLight(nearLight[i]);
#endif
    return ambient;
}

vec3 display(vec3 color) {
    // Triangular noise of one 8-bit step hides the banding of dark gradients.
    float noise = hash(gl_FragCoord.xy) + hash(gl_FragCoord.yx + 17.0) - 1.0;
    return toDisplay(shoulder(EXPOSURE * color) + SHADE_FLOOR) + noise / 255.0;
}

vec3 frontNormal() {
    vec3 geometric = normalize(fs.normal);
    return gl_FrontFacing ? geometric : -geometric;
}

#if defined(SURFACE_GLOW)
// A pale sheet glowing from within, brightest at its rim and toward its head, in its own cool white whatever
// lamp it passes: the light it gets only lifts it a little.
const vec3 GHOST_GLOW = vec3(0.52, 0.61, 0.76);
const vec3 GHOST_RIM = vec3(0.50, 0.58, 0.72);
const float GHOST_HEM_SHARE = 0.45;  // of the head's glow, at the hem
const float GHOST_LIT = 0.7;

void main() {
    vec3 n = shadingNormal(frontNormal());
    vec3 toCamera = normalize(camera_world - fs.worldPos);
    // The eye holes' dark map keeps them dark.
    float cloth = dot(texture(texture_diffuse1, fs.uv).rgb * diffuseColor, vec3(0.2126, 0.7152, 0.0722));
    float edge = 1.0 - abs(dot(n, toCamera));
    float up = mix(GHOST_HEM_SHARE, 1.0, clamp(fs.height, 0.0, 1.0));
    vec3 lit = softLightAt(n, outdoors(fs.worldPos));
    float lift = GHOST_LIT * dot(lit, vec3(0.2126, 0.7152, 0.0722));
    vec3 color = cloth * (GHOST_GLOW * (up + lift) + GHOST_RIM * (edge * edge));
    fragColor = vec4(display(color), 1.0);
}
#elif defined(SURFACE_GLASS)
// Window glass, drawn opaque: the night sky seen through it, the sky mirrored at a glancing look, and a
// sharp glint of every light and of the moon, so its shards flash as they turn.
const float GLASS_CLEAR = 0.55;
const float GLASS_GRIME = 0.15;
const float GLASS_GLINT = 1.0;
const float MOON_GLINT = 3.0;

// Eight squarings: a highlight of exponent 256.
float sharp(float c) {
    c = max(c, 0.0);
    for (int k = 0; k < 8; ++k) c *= c;
    return c;
}

vec3 glint(PointLight light, vec3 n, vec3 toCamera) {
    vec3 toLight = light.mPosition - fs.worldPos;
    vec3 h = normalize(normalize(toLight) + toCamera);
    return light.mColorSpecular * (attenuation(light, length(toLight)) * sharp(dot(n, h)));
}

void main() {
    vec3 n = frontNormal();
    vec3 toCamera = normalize(camera_world - fs.worldPos);
    float outside = outdoors(fs.worldPos);
    vec3 through = toLinear(texture(skybox, -toCamera).rgb) * GLASS_CLEAR;
    vec3 mirrored = toLinear(texture(skybox, reflect(-toCamera, n)).rgb);
    float fresnel = 0.04 + 0.96 * pow(1.0 - abs(dot(n, toCamera)), 5.0);
    vec3 albedo = texture(texture_diffuse1, fs.uv).rgb * diffuseColor;
    vec3 color = mix(through, mirrored, fresnel) + GLASS_GRIME * materialCoefficients.x * softLightAt(n, outside) * albedo;
    vec3 shine = MOON_LIGHT * (MOON_GLINT * outside * sharp(dot(n, normalize(MOON_DIRECTION + toCamera))));
#ifndef LIGHT_COUNT
    int count = min(nr_pointlights, MAX_LIGHTS);
    for (int i = 0; i < count; ++i) shine += GLASS_GLINT * glint(pointLight[i], n, toCamera);
#elif LIGHT_COUNT > 0
    for (int i = 0; i < LIGHT_COUNT; ++i) shine += GLASS_GLINT * glint(nearLight[i], n, toCamera);
#endif
    color += LIGHT_GAIN * shine;
    color = mix(color, mistColour(-toCamera), mistAmount(fs.worldPos, outside));
    fragColor = vec4(display(color), 1.0);
}
#else
void main() {
    vec3 geometric = frontNormal();
    vec3 n = shadingNormal(geometric);
    vec3 toCamera = normalize(camera_world - fs.worldPos);
    vec3 albedo = texture(texture_diffuse1, fs.uv).rgb * diffuseColor;
    float ka = materialCoefficients.x;
    float kd = materialCoefficients.y;
    float ks = materialCoefficients.z;
    float outside = outdoors(fs.worldPos);

    // Sample k of the shadow disc lies at angle k * GOLDEN_ANGLE + spin, the same for every light.
    float spin = 6.2831853 * hash(gl_FragCoord.xy);
    float first = float(SHADOW_SAMPLES - 1) * GOLDEN_ANGLE + spin;
    vec2 dir = vec2(cos(first), sin(first));
    vec3 discT = perpendicular(geometric);
    vec3 discB = cross(geometric, discT);
    vec3 ambient = softLightAt(n, outside);
    vec3 direct = vec3(0.0);
#ifndef LIGHT_COUNT
    int count = min(nr_pointlights, MAX_LIGHTS);
    for (int i = 0; i < count; ++i)
        if (reaches(pointLight[i], n, geometric))
            direct += reachedLight(pointLight[i], n, geometric, discT, discB, toCamera, albedo, kd, ks, dir);
#endif
#if defined(LIGHT_COUNT) && LIGHT_COUNT > 0
    int reachedMask = 0;
    for (int i = 0; i < LIGHT_COUNT; ++i)
        if (reaches(nearLight[i], n, geometric)) reachedMask |= 1 << i;
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
    color = mix(color, mistColour(-toCamera), mistAmount(fs.worldPos, outside));
    fragColor = vec4(display(color), 1.0);
}
#endif
#endif
