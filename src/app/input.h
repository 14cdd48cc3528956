// Keyboard: the rendering toggles and the restart request, switched on key release.
#pragma once

struct GLFWwindow;

extern bool wireframe;
extern bool faceCulling;
extern bool showFps;
extern bool shadowsEnabled;
extern bool volumetricEnabled;
extern bool normalMappingEnabled;
extern bool restartRequested;

void keyCallback(GLFWwindow* window, int key, int scancode, int action, int mods);
