// Light uniforms: a LightSource uploaded as one element of a shader's light array.
#pragma once

#include "core/shader.h"
#include "world/lights.h"

// The light arrays the programs declare, MAX_LIGHTS elements of the shaders' PointLight struct each.
extern const UniformNames POINT_LIGHT_UNIFORMS;  // "pointLight[i].field"
extern const UniformNames NEAR_LIGHT_UNIFORMS;   // "nearLight[i].field"

// Uploads the light as element i of the array: twelve uniforms; the program must be current. Fields the
// program does not use, and elements beyond the array, are ignored.
void setLightArrayElement(const LightSource& light, const Shader& shader, const UniformNames& array, int i);

// The same as element i of "pointLight[".
void setLightUniforms(const LightSource& light, const Shader& shader, int i);
