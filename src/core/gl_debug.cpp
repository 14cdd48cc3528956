// GL debug output: a synchronous callback that prints each message and counts the errors.
#include "core/gl_debug.h"

#include "core/gl.h"

#include <algorithm>
#include <iostream>

namespace {

int reportedErrors = 0;

void GLAPIENTRY printMessage(GLenum, GLenum type, GLuint, GLenum, GLsizei length, const GLchar* message,
                             const void*) {
    if (type == GL_DEBUG_TYPE_ERROR) ++reportedErrors;
    const std::string text = length < 0 ? std::string(message) : std::string(message, static_cast<std::size_t>(length));
    std::cout << debugLine(type, text) << std::endl;
}

const char* kindOf(unsigned int type) {
    switch (type) {
    case GL_DEBUG_TYPE_ERROR: return GL_ERROR_PREFIX;
    case GL_DEBUG_TYPE_DEPRECATED_BEHAVIOR: return "GL deprecated: ";
    case GL_DEBUG_TYPE_UNDEFINED_BEHAVIOR: return "GL undefined behaviour: ";
    case GL_DEBUG_TYPE_PORTABILITY: return "GL portability: ";
    case GL_DEBUG_TYPE_PERFORMANCE: return "GL performance: ";
    default: return "GL message: ";
    }
}

}  // namespace

std::string debugLine(unsigned int type, const std::string& message) {
    std::string text = message;
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return kindOf(type) + text;
}

void requestDebugContext() { glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, GL_DEBUG_BUILD ? GLFW_TRUE : GLFW_FALSE); }

void enableDebugOutput() {
    if (!GL_DEBUG_BUILD) return;
    GLint flags = 0;
    glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
    if (!(flags & GL_CONTEXT_FLAG_DEBUG_BIT)) return;
    glEnable(GL_DEBUG_OUTPUT);
    // In the call that caused it, so a test's failure names the test that did.
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(printMessage, nullptr);
    glDebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_TRUE);
    // Notes on routine work, and the compiler's log, which a failed build prints itself.
    glDebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DEBUG_SEVERITY_NOTIFICATION, 0, nullptr, GL_FALSE);
    glDebugMessageControl(GL_DEBUG_SOURCE_SHADER_COMPILER, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_FALSE);
}

int glErrorsReported() { return reportedErrors; }
