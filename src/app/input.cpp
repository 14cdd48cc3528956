// Key callback: every key acts when it is let go; presses and repeats do nothing.
#include "app/input.h"

#include "core/gl.h"

void keyCallback(GLFWwindow* window, int key, int /*scancode*/, int action, int /*mods*/) {
    if (action != GLFW_RELEASE) return;
    switch (key) {
    case GLFW_KEY_ESCAPE:
        glfwSetWindowShouldClose(window, GLFW_TRUE);
        break;
    case GLFW_KEY_ENTER:
        restartRequested = true;
        break;
    case GLFW_KEY_F1:
        wireframe = !wireframe;
        glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);
        break;
    case GLFW_KEY_F2:
        faceCulling = !faceCulling;
        if (faceCulling) glEnable(GL_CULL_FACE);
        else glDisable(GL_CULL_FACE);
        break;
    case GLFW_KEY_F3: showFps = !showFps; break;
    case GLFW_KEY_F4: shadowsEnabled = !shadowsEnabled; break;
    case GLFW_KEY_F5: volumetricEnabled = !volumetricEnabled; break;
    case GLFW_KEY_F6: normalMappingEnabled = !normalMappingEnabled; break;
    default: break;
    }
}
