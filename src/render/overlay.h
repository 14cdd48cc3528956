// Overlay: the frame-rate text drawn over the finished frame.
#pragma once

#include "app/shader.h"

struct TextRenderer {
    Shader* program = nullptr;
};
