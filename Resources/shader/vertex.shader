#version 430 core
// Main program, vertex stage: skinning, then world-space position and tangent frame for lighting.
layout(location = 0) in vec3 aPos;
layout(location = 2) in vec2 aTexCoords;
layout(location = 4) in vec3 aNormal;
layout(location = 5) in vec3 aTangent;
layout(location = 6) in vec3 aBitangent;
layout(location = 7) in ivec4 boneIds;
layout(location = 8) in vec4 boneWeights;

const int MAX_BONES = 64;
const int MAX_LIGHTS = 8;

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

uniform PointLight pointLight[MAX_LIGHTS];
// Bit i: pointLight[i] lies so far from this mesh that its soft light is worked out here, per vertex, and
// interpolated; the fragment stage adds the others pixel by pixel.
uniform int vertexBounceLights;

// As in the fragment stage.
const float BOUNCE = 0.15;
const float BOUNCE_FALLOFF = 0.2;
#ifdef SURFACE_GLOW
// The sheet's hem and crown in its bind pose, in the model's own metres.
const float GHOST_HEM_Y = -0.8;
const float GHOST_CROWN_Y = 0.8;
#endif

uniform mat4 bones[MAX_BONES];
uniform bool hasAnimations;
uniform mat4 modelMatrix;
uniform mat4 viewMatrix;
uniform mat4 projectionMatrix;

// The scene pass draws depth first with another build of this file and shades where the depth is equal.
invariant gl_Position;

out VertexData {
    vec3 worldPos;
    vec2 uv;
    vec3 normal;
    vec3 tangent;
    vec3 bitangent;
    vec3 bounce;
#ifdef SURFACE_GLOW
    float height;
#endif
} vs;

// The four weighted bone matrices; a vertex that no bone holds keeps its bind pose.
mat4 skinMatrix() {
    if (!hasAnimations) return mat4(1.0);
    mat4 skin = mat4(0.0);
    float total = 0.0;
    for (int i = 0; i < 4; ++i) {
        if (boneWeights[i] <= 0.0 || boneIds[i] < 0 || boneIds[i] >= MAX_BONES) continue;
        skin += bones[boneIds[i]] * boneWeights[i];
        total += boneWeights[i];
    }
    return total > 0.0 ? skin / total : mat4(1.0);
}

// The soft light of the far lights at p: their ambient colour, attenuated, and the rooms' bounce.
vec3 farSoftLight(vec3 p) {
    vec3 sum = vec3(0.0);
    // A loop over the mask's bits: a mesh with no far light runs none.
    for (int lights = vertexBounceLights & ((1 << MAX_LIGHTS) - 1); lights != 0; lights &= lights - 1) {
        PointLight light = pointLight[findLSB(lights)];
        float d = length(light.mPosition - p);
        float falloff = light.mAttenuationConstant + light.mAttenuationLinear * d + light.mAttenuationQuadratic * d * d;
        sum += light.mColorAmbient / max(falloff, 1e-3) + light.mColorDiffuse * (BOUNCE / (1.0 + BOUNCE_FALLOFF * d * d));
    }
    return sum;
}

void main() {
    mat4 toWorld = modelMatrix * skinMatrix();
    vec4 world = toWorld * vec4(aPos, 1.0);
    // Models are moved and turned, not stretched, so the upper 3x3 carries directions.
    mat3 directions = mat3(toWorld);
    vs.worldPos = world.xyz;
    vs.uv = aTexCoords;
    vs.normal = directions * aNormal;
    vs.tangent = directions * aTangent;
    vs.bitangent = directions * aBitangent;
#ifdef DEPTH_ONLY
    vs.bounce = vec3(0.0);
#else
    vs.bounce = farSoftLight(world.xyz);
#endif
#ifdef SURFACE_GLOW
    vs.height = (aPos.y - GHOST_HEM_Y) / (GHOST_CROWN_Y - GHOST_HEM_Y);
#endif
    gl_Position = projectionMatrix * viewMatrix * world;
}
