// Test support: program logs and the read-back target.
#include "support/gl_probe.h"

#include "core/gl.h"

glm::ivec2 textureSize(unsigned int texture) {
    glm::ivec2 size(-1);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &size.x);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &size.y);
    return size;
}

std::string programLogs(unsigned int program) {
    GLuint stages[4] = {};
    GLsizei count = 0, length = 0;
    glGetAttachedShaders(program, 4, &count, stages);
    char text[4096];
    glGetProgramInfoLog(program, sizeof text, &length, text);
    std::string logs(text, static_cast<std::size_t>(length));
    for (GLsizei i = 0; i < count; ++i) {
        glGetShaderInfoLog(stages[i], sizeof text, &length, text);
        logs.append(text, static_cast<std::size_t>(length));
    }
    return logs;
}

ColourTarget::ColourTarget(int w, int h) : width(w), height(h) {
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenTextures(1, &colour);
    glBindTexture(GL_TEXTURE_2D, colour);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    glViewport(0, 0, w, h);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

ColourTarget::~ColourTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &colour);
}

std::vector<unsigned char> ColourTarget::pixels() const {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}
