// Start-up: the window, its context and key callback, then every GPU resource the frames use.
#include "app/startup.h"

#include "app/input.h"
#include "core/fatal.h"
#include "core/gl.h"
#include "core/gl_debug.h"
#include "core/settings.h"
#include "render/renderer.h"
#include "render/sky.h"

#include <future>
#include <iostream>

void openWindow(Renderer& renderer, bool visible) {
    if (!glfwInit()) {
        std::cout << "Failed to init glfw" << std::endl;
        fatalExit();
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_REFRESH_RATE, static_cast<int>(settings.refreshRate));
    // Every target is sized once at start-up, so the window keeps that size.
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    glfwWindowHint(GLFW_VISIBLE, visible ? GLFW_TRUE : GLFW_FALSE);
    requestDebugContext();

    GLFWmonitor* monitor = nullptr;
    if (settings.fullscreen) {
        monitor = glfwGetPrimaryMonitor();
        const GLFWvidmode* mode = monitor ? glfwGetVideoMode(monitor) : nullptr;
        if (mode) {
            settings.width = static_cast<float>(mode->width);
            settings.height = static_cast<float>(mode->height);
        } else {
            monitor = nullptr;
        }
    }
    renderer.window = glfwCreateWindow(static_cast<int>(settings.width), static_cast<int>(settings.height),
                                       WINDOW_TITLE, monitor, nullptr);
    if (!renderer.window) {
        glfwTerminate();
        std::cout << "Failed to open window" << std::endl;
        fatalExit();
    }
    glfwMakeContextCurrent(renderer.window);
    glfwSetKeyCallback(renderer.window, keyCallback);

    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        std::cout << "Failed to initialize glew" << std::endl;
        fatalExit();
    }
    // GLEW's probe on a core context leaves a harmless GL_INVALID_ENUM behind.
    while (glGetError() != GL_NO_ERROR) {}
    enableDebugOutput();

    glClearColor(0.8f, 0.1f, 0.56f, 0.0f);
    glViewport(0, 0, static_cast<int>(settings.width), static_cast<int>(settings.height));
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
}

void initRenderer(Renderer& renderer, bool visible) {
    renderer.shadowsInitialised = false;
    // The sky's faces decode while the window and context come up.
    std::future<std::vector<DecodedImage>> skyFaces =
        std::async(std::launch::async, decodeCubemapFaces, SKYBOX_FACES);
    openWindow(renderer, visible);

    createRenderObjects(renderer, skyFaces.get());

    createShadowProgram(renderer);

    // Cursor hidden and captured: nobody steers.
    glfwSetCursorPos(renderer.window, 0.0, 0.0);
    glfwSetInputMode(renderer.window, GLFW_CURSOR, GLFW_CURSOR_DISABLED);

    createSceneTarget(renderer);
    createShadowTarget(renderer);
}

