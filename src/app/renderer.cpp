// Start-up: window, context and the GPU resources every frame uses.
#include "app/renderer.h"

#include "app/fatal.h"
#include "app/gl.h"
#include "app/input.h"
#include "app/settings.h"
#include "render/composite.h"
#include "render/overlay.h"
#include "render/render_targets.h"
#include "render/shadow_cache.h"
#include "render/sky.h"

#include <future>
#include <iostream>

Renderer::Renderer() = default;
Renderer::~Renderer() = default;

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

    glClearColor(0.8f, 0.1f, 0.56f, 0.0f);
    glViewport(0, 0, static_cast<int>(settings.width), static_cast<int>(settings.height));
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
}

void createSceneTarget(Renderer& renderer) {
    const int width = static_cast<int>(settings.width);
    const int height = static_cast<int>(settings.height);
    glGenFramebuffers(1, &renderer.sceneFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.sceneFramebuffer);
    glObjectLabel(GL_FRAMEBUFFER, renderer.sceneFramebuffer, -1, "scene framebuffer");

    glGenTextures(1, &renderer.sceneColorTexture);
    glBindTexture(GL_TEXTURE_2D, renderer.sceneColorTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, renderer.sceneColorTexture, 0);
    glObjectLabel(GL_TEXTURE, renderer.sceneColorTexture, -1, "scene colour");

    glGenTextures(1, &renderer.sceneDepthTexture);
    glBindTexture(GL_TEXTURE_2D, renderer.sceneDepthTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, width, height, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, renderer.sceneDepthTexture, 0);
    glObjectLabel(GL_TEXTURE, renderer.sceneDepthTexture, -1, "scene depth");

    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        std::cout << "Framebuffer incomplete" << std::endl;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void createShadowTarget(Renderer& renderer) {
    glGenFramebuffers(1, &renderer.shadowFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
    glObjectLabel(GL_FRAMEBUFFER, renderer.shadowFramebuffer, -1, "shadow framebuffer");
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);

    glGenTextures(1, &renderer.shadowMapArray);
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, renderer.shadowMapArray);
    glTexParameteri(GL_TEXTURE_CUBE_MAP_ARRAY, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP_ARRAY, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP_ARRAY, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP_ARRAY, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP_ARRAY, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage3D(GL_TEXTURE_CUBE_MAP_ARRAY, 0, GL_DEPTH_COMPONENT, SHADOW_SIZE, SHADOW_SIZE, SHADOW_LAYER_FACES, 0,
                 GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, 0);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, renderer.shadowMapArray, 0);
    glObjectLabel(GL_TEXTURE, renderer.shadowMapArray, -1, "shadow cube array");

    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        std::cout << "ERROR::FRAMEBUFFER:: Framebuffer is not complete!" << std::endl;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    glGenSamplers(1, &renderer.shadowLookupSampler);
    glSamplerParameteri(renderer.shadowLookupSampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(renderer.shadowLookupSampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(renderer.shadowLookupSampler, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(renderer.shadowLookupSampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glSamplerParameteri(renderer.shadowLookupSampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glObjectLabel(GL_SAMPLER, renderer.shadowLookupSampler, -1, "shadow lookup sampler");

    renderer.shadowCache = std::make_unique<ShadowCache>();
    createShadowCache(*renderer.shadowCache, renderer.shadowMapArray, SHADOW_SIZE, SHADOW_LAYER_FACES);
}

namespace {

// The sky, the overlay text, the composite quad and the volumetric targets with their programs.
void createRenderObjects(Renderer& renderer, const std::vector<DecodedImage>& skyFaces) {
    renderer.skyboxShader = std::make_unique<Shader>("Resources/shader/skyboxVertex.shader",
                                                     "Resources/shader/skyboxFragment.shader", NO_GEOMETRY);
    renderer.skybox = std::make_unique<Skybox>(renderer.skyboxShader.get(), skyFaces);

    renderer.hudShader = std::make_unique<Shader>("Resources/shader/hudVertex.shader",
                                                  "Resources/shader/hudFragment.shader", NO_GEOMETRY);
    renderer.textRenderer = std::make_unique<TextRenderer>(renderer.hudShader.get());
    loadFont(*renderer.textRenderer, FONT_PATH);

    renderer.quadShader = std::make_unique<Shader>("Resources/shader/quadVertex.shader",
                                                   "Resources/shader/quadFragment.shader", NO_GEOMETRY);
    renderer.screenQuad = std::make_unique<ScreenQuad>(renderer.quadShader.get());

    renderer.volumetricShader = std::make_unique<Shader>("Resources/shader/volumetricVertex.shader",
                                                         "Resources/shader/volumetricFragment.shader", NO_GEOMETRY);
    renderer.volumetricDownsampleShader =
        std::make_unique<Shader>("Resources/shader/volumetricDownsampleVertex.shader",
                                 "Resources/shader/volumetricDownsampleFragment.shader", NO_GEOMETRY);
    renderer.blurShader = std::make_unique<Shader>("Resources/shader/blurVertex.shader",
                                                   "Resources/shader/blurFragment.shader", NO_GEOMETRY);
    renderer.volumetricLight = std::make_unique<VolumetricLight>(
        renderer.volumetricShader.get(), renderer.volumetricDownsampleShader.get(), renderer.blurShader.get());

    renderer.skyboxTexture = renderer.skybox->cubemapTexture;
}

}  // namespace

void initRenderer(Renderer& renderer, bool visible) {
    renderer.shadowsInitialised = false;
    // The sky's faces decode while the window and context come up.
    std::future<std::vector<DecodedImage>> skyFaces =
        std::async(std::launch::async, decodeCubemapFaces, SKYBOX_FACES);
    openWindow(renderer, visible);

    createRenderObjects(renderer, skyFaces.get());

    // The layered program that renders every light's six cube faces in one draw per caster.
    renderer.shadowShader = std::make_unique<Shader>("Resources/shader/vertexShadow.shader",
                                                     "Resources/shader/fragmentShadow.shader",
                                                     "Resources/shader/geometryShadow.shader");

    // Cursor hidden and captured: nobody steers.
    glfwSetCursorPos(renderer.window, 0.0, 0.0);
    glfwSetInputMode(renderer.window, GLFW_CURSOR, GLFW_CURSOR_DISABLED);

    createSceneTarget(renderer);
    createShadowTarget(renderer);
}

void shutdownRenderer(Renderer& renderer) {
    glDeleteFramebuffers(1, &renderer.sceneFramebuffer);
    glfwTerminate();
    renderer.window = nullptr;
    renderer.skyboxShader.reset();
    renderer.skybox.reset();
    renderer.hudShader.reset();
    renderer.textRenderer.reset();
    renderer.quadShader.reset();
    renderer.screenQuad.reset();
    renderer.volumetricShader.reset();
    renderer.volumetricDownsampleShader.reset();
    renderer.blurShader.reset();
    renderer.volumetricLight.reset();
    renderer.shadowShader.reset();
    renderer.shadowCache.reset();
}
