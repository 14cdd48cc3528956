// One place that includes the GL loader before GLFW, in the order both require.
#pragma once

#include <GL/glew.h>
#include <GLFW/glfw3.h>
