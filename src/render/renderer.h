// Renderer: the window, the start-up programs, the render objects and the scene and shadow targets.
#pragma once

#include "assets/image_decode.h"
#include "core/shader.h"

#include <functional>
#include <memory>
#include <vector>

struct GLFWwindow;
struct Skybox;
struct TextRenderer;
struct ScreenQuad;
struct VolumetricLight;
struct ShadowCache;
struct LightVisibility;
struct PassTimer;

inline constexpr const char* WINDOW_TITLE = "KVR31 - Hollowmere";
inline constexpr int SHADOW_SIZE = 1024;
inline constexpr int SHADOW_LAYER_FACES = 48;  // eight cube maps

// One instance, owned by main for the whole run; created once, never copied.
struct Renderer {
    GLFWwindow* window = nullptr;
    std::unique_ptr<Shader> skyboxShader;
    std::unique_ptr<Skybox> skybox;
    std::unique_ptr<Shader> hudShader;
    std::unique_ptr<TextRenderer> textRenderer;
    std::unique_ptr<Shader> quadShader;
    std::unique_ptr<ScreenQuad> screenQuad;
    std::unique_ptr<Shader> volumetricShader;
    std::unique_ptr<Shader> volumetricDownsampleShader;
    std::unique_ptr<Shader> blurShader;
    std::unique_ptr<VolumetricLight> volumetricLight;
    unsigned int skyboxTexture = 0;
    unsigned int sceneColorTexture = 0;
    unsigned int sceneDepthTexture = 0;
    unsigned int sceneFramebuffer = 0;
    unsigned int shadowFramebuffer = 0;
    unsigned int shadowMapArray = 0;
    // Nearest texels for the passes that look shadows up: each lookup already sits in a filter of its own.
    unsigned int shadowLookupSampler = 0;
    bool shadowsInitialised = false;
    // Built from the three shadow files; it draws the visibility queries, into a light's six faces per draw.
    std::unique_ptr<Shader> shadowShader;
    Shader shadowFaceShader;  // its variant without the geometry stage: the casters' depth, one face per draw
    std::unique_ptr<ShadowCache> shadowCache;  // static casters' depth, kept from frame to frame
    std::unique_ptr<LightVisibility> lightVisibility;  // static meshes the static casters hide from a light
    // While set, a frame is drawn but neither counted nor presented: start-up's own frames.
    bool unseen = false;
    // Where the composite and the text finish the frame: the window's own framebuffer unless a caller reads
    // frames off-screen at a size of its own.
    unsigned int frameTarget = 0;
    // Set by the benchmark; null while the game runs, so each pass's timing hook is one branch.
    PassTimer* passTimer = nullptr;
    // When set, runs on the finished frame just before it is presented, while the back buffer is readable
    // (the hidden-window game reads it there).
    std::function<void(Renderer&)> beforePresent;

    Renderer();
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;
};

// The sky, the overlay text, the composite quad and the volumetric targets with their programs; the
// context is current.
void createRenderObjects(Renderer& renderer, const std::vector<DecodedImage>& skyFaces);

// The shadow program (layered, for the visibility queries) and its one-face variant for the casters' depth.
void createShadowProgram(Renderer& renderer);

// The scene framebuffer with its colour and depth textures at the window size.
void createSceneTarget(Renderer& renderer);

// The shadow framebuffer with its cube-map array of 48 layer-faces.
void createShadowTarget(Renderer& renderer);

// Shutdown: delete the scene framebuffer, terminate the window system, free the start-up records.
void shutdownRenderer(Renderer& renderer);
