// Test support: the shared hidden window.
#include "support/gl_context.h"

#include <cstdio>
#include <cstdlib>

GLFWwindow* sharedGlWindow() {
    static GLFWwindow* window = nullptr;
    if (window) return window;
    if (!glfwInit()) {
        std::fprintf(stderr, "test support: glfwInit failed (no display?)\n");
        std::abort();
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    window = glfwCreateWindow(256, 256, "tests", nullptr, nullptr);
    if (!window) {
        std::fprintf(stderr, "test support: no GL 4.3 core window\n");
        std::abort();
    }
    glfwMakeContextCurrent(window);
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        std::fprintf(stderr, "test support: glewInit failed\n");
        std::abort();
    }
    while (glGetError() != GL_NO_ERROR) {}
    return window;
}
