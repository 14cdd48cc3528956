// Composite: the full-screen quad that brings the scene and the volumetric light to the window.
#pragma once

#include "core/shader.h"

// Six vertices of x, y, u, v covering the viewport with two triangles.
inline constexpr float FULLSCREEN_QUAD[24] = {
    -1, 1, 0, 1, -1, -1, 0, 0, 1, -1, 1, 0, -1, 1, 0, 1, 1, -1, 1, 0, 1, 1, 1, 1,
};

// Texture units the composite reads; the volumetric light sits apart on unit 7.
inline constexpr int COMPOSITE_SCENE_UNIT = 0;
inline constexpr int COMPOSITE_DEPTH_UNIT = 1;
inline constexpr int COMPOSITE_VOLUMETRIC_UNIT = 7;

// Uploads the quad into a new buffer bound to vao (both bound afterwards): attribute 0 = x, y, 1 = u, v.
void createQuadGeometry(unsigned int& vao, unsigned int& vbo);

// One instance, made at start-up; the GL names live until the context ends.
struct ScreenQuad {
    Shader* program = nullptr;  // the renderer's quad program, not owned
    unsigned int vbo = 0;
    unsigned int vao = 0;

    explicit ScreenQuad(Shader* program);
    ScreenQuad(const ScreenQuad&) = delete;
    ScreenQuad& operator=(const ScreenQuad&) = delete;
};

// Draws the scene into the bound framebuffer, adding the volumetric light while it is switched on.
void compositeScene(const ScreenQuad& quad, unsigned int sceneColorTexture, unsigned int volumetricTexture,
                    unsigned int sceneDepthTexture);

struct Renderer;

// The frame's composite: the frame target cleared white, then the scene and the volumetric light drawn to it.
void compositePass(Renderer& renderer);
