#version 430 core
// Shadow programs, vertex stage: the skinned world position. The one-face program projects it through its
// face's matrix; the visibility queries' geometry stage works on it in the world.
layout(location = 0) in vec3 aPos;
layout(location = 7) in ivec4 boneIds;
layout(location = 8) in vec4 boneWeights;

const int MAX_BONES = 64;

uniform mat4 bones[MAX_BONES];
uniform bool hasAnimations;
uniform mat4 modelMatrix;

#ifdef ONE_FACE
uniform mat4 faceMatrix;
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
#ifdef ONE_FACE
    gl_Position = faceMatrix * gl_Position;
#endif
}
