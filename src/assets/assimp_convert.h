// Conversions from Assimp's records to GLM: the same mathematical values.
#pragma once

#include <assimp/matrix4x4.h>
#include <assimp/quaternion.h>
#include <assimp/vector3.h>
#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

// Assimp stores rows (a1..a4 is row 0); GLM stores columns.
inline glm::mat4 toGlm(const aiMatrix4x4& m) {
    return glm::mat4(m.a1, m.b1, m.c1, m.d1,
                     m.a2, m.b2, m.c2, m.d2,
                     m.a3, m.b3, m.c3, m.d3,
                     m.a4, m.b4, m.c4, m.d4);
}

// Same four components; GLM's constructor takes w first.
inline glm::quat toGlm(const aiQuaternion& q) { return glm::quat(q.w, q.x, q.y, q.z); }

inline glm::vec3 toGlm(const aiVector3D& v) { return glm::vec3(v.x, v.y, v.z); }
