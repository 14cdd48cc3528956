// Renderer: the GPU resources every frame uses, built once the context is current, and their shutdown.
#include "render/renderer.h"

#include "core/gl.h"
#include "core/settings.h"
#include "render/composite.h"
#include "render/light_visibility.h"
#include "render/overlay.h"
#include "render/render_targets.h"
#include "render/shadow_cache.h"
#include "render/sky.h"

#include <iostream>

Renderer::Renderer() = default;
Renderer::~Renderer() = default;

// Clamped at every edge and filtered by filter both ways, through set(name, value) of a texture or sampler.
template <typename Set>
static void clampAndFilter(Set set, GLint filter) {
    set(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    set(GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    set(GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    set(GL_TEXTURE_MIN_FILTER, filter);
    set(GL_TEXTURE_MAG_FILTER, filter);
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
    clampAndFilter([](GLenum name, GLint value) { glTexParameteri(GL_TEXTURE_2D, name, value); }, GL_NEAREST);
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
    clampAndFilter([](GLenum name, GLint value) { glTexParameteri(GL_TEXTURE_CUBE_MAP_ARRAY, name, value); },
                   GL_LINEAR);
    glTexImage3D(GL_TEXTURE_CUBE_MAP_ARRAY, 0, GL_DEPTH_COMPONENT, SHADOW_SIZE, SHADOW_SIZE, SHADOW_LAYER_FACES, 0,
                 GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, 0);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, renderer.shadowMapArray, 0);
    glObjectLabel(GL_TEXTURE, renderer.shadowMapArray, -1, "shadow cube array");

    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        std::cout << "ERROR::FRAMEBUFFER:: Framebuffer is not complete!" << std::endl;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    glGenSamplers(1, &renderer.shadowLookupSampler);
    const unsigned int sampler = renderer.shadowLookupSampler;
    clampAndFilter([sampler](GLenum name, GLint value) { glSamplerParameteri(sampler, name, value); }, GL_NEAREST);
    glObjectLabel(GL_SAMPLER, renderer.shadowLookupSampler, -1, "shadow lookup sampler");

    renderer.shadowCache = std::make_unique<ShadowCache>();
    createShadowCache(*renderer.shadowCache, renderer.shadowMapArray, SHADOW_SIZE, SHADOW_LAYER_FACES);
    renderer.lightVisibility = std::make_unique<LightVisibility>();
    createVisibilityBox(*renderer.lightVisibility);
}

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

void createShadowProgram(Renderer& renderer) {
    renderer.shadowShader = std::make_unique<Shader>("Resources/shader/vertexShadow.shader",
                                                     "Resources/shader/fragmentShadow.shader",
                                                     "Resources/shader/geometryShadow.shader");
    renderer.shadowFaceShader = shaderVariant(*renderer.shadowShader, "#define ONE_FACE", false);
}

// Frees the start-up records in the order given.
template <typename... Owners>
static void releaseAll(Owners&... owners) {
    (owners.reset(), ...);
}

void shutdownRenderer(Renderer& renderer) {
    glDeleteFramebuffers(1, &renderer.sceneFramebuffer);
    glfwTerminate();
    renderer.window = nullptr;
    releaseAll(renderer.skyboxShader, renderer.skybox, renderer.hudShader, renderer.textRenderer, renderer.quadShader,
               renderer.screenQuad, renderer.volumetricShader, renderer.volumetricDownsampleShader,
               renderer.blurShader, renderer.volumetricLight, renderer.shadowShader, renderer.shadowCache,
               renderer.lightVisibility);
}
