// Light uniforms: a LightSource uploaded as one element of a shader's light array.
#pragma once

#include "core/shader.h"
#include "world/lights.h"

#include <string>

// Uploads the light as element i of the array called array: twelve uniforms; the program must be current.
// Fields the program does not use are ignored.
void setLightArrayElement(const LightSource& light, const Shader& shader, const std::string& array, int i);

// The same as element i of "pointLight[".
void setLightUniforms(const LightSource& light, const Shader& shader, int i);
