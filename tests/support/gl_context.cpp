// Test support: the shared hidden window.
#include "support/gl_context.h"

#include "core/gl_debug.h"

#include <cstdio>
#include <cstdlib>

namespace {
[[noreturn]] void fail(const char* why) {
    std::fprintf(stderr, "test support: %s\n", why);
    std::abort();
}
}  // namespace

GLFWwindow* sharedGlWindow() {
    static GLFWwindow* window = nullptr;
    if (window) return window;
    if (!glfwInit()) fail("glfwInit failed (no display?)");
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    requestDebugContext();
    window = glfwCreateWindow(256, 256, "tests", nullptr, nullptr);
    if (!window) fail("no GL 4.3 core window");
    glfwMakeContextCurrent(window);
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) fail("glewInit failed");
    while (glGetError() != GL_NO_ERROR) {}
    enableDebugOutput();
    return window;
}
