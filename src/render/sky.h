// Skybox: the night-sky cube map drawn behind the scene.
#pragma once

#include "app/shader.h"

struct Skybox {
    unsigned int cubemapTexture = 0;
};
