// Composite: the full-screen quad that brings the scene and the volumetric light to the window.
#pragma once

#include "app/shader.h"

struct ScreenQuad {
    Shader* program = nullptr;  // the renderer's quad program, not owned
    unsigned int vbo = 0;
    unsigned int vao = 0;
};
