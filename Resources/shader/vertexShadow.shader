#version 430 core
// Shadow program, vertex stage: the skinned world position; the geometry stage projects it per face.
layout(location = 0) in vec3 aPos;
layout(location = 7) in ivec4 boneIds;
layout(location = 8) in vec4 boneWeights;

const int MAX_BONES = 64;

uniform mat4 bones[MAX_BONES];
uniform bool hasAnimations;
uniform mat4 modelMatrix;

#ifdef ONE_FACE
// Without the geometry stage: the static casters drawn one face at a time, through that face's matrix.
uniform mat4 faceMatrix;
#endif

#ifdef VISIBILITY_QUERY
// Visibility queries: each corner drawn nearer the light along its ray by the lookups' margin, so a mesh
// counts as hidden only where no lookup of it could find the light.
uniform vec4 lightPos;
uniform vec2 queryMargin;  // metres, and metres per metre of distance
#endif

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

void main() {
    gl_Position = modelMatrix * skinMatrix() * vec4(aPos, 1.0);
#ifdef VISIBILITY_QUERY
    vec3 fromLight = gl_Position.xyz / gl_Position.w - lightPos.xyz;
    float d = length(fromLight);
    float keep = max(1.0 - (queryMargin.x + queryMargin.y * d) / max(d, 1e-6), 0.0);
    gl_Position = vec4(lightPos.xyz + fromLight * keep, 1.0);
#endif
#ifdef ONE_FACE
    gl_Position = faceMatrix * gl_Position;
#endif
}
