// Volumetric render targets: half-size depth copy and two float colour targets with their quad.
#pragma once

#include "app/shader.h"

struct VolumetricLight {
    Shader* volumetricProgram = nullptr;
    Shader* downsampleProgram = nullptr;
    Shader* blurProgram = nullptr;
};
