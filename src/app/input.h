// Keyboard: the rendering toggles and the restart request, switched on key release.
#pragma once

#include "core/toggles.h"

struct GLFWwindow;

void keyCallback(GLFWwindow* window, int key, int scancode, int action, int mods);
