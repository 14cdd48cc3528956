// Composite: scene colour, scene depth and the volumetric light drawn to the window in one quad.
#include "render/composite.h"

#include "core/gl.h"
#include "core/settings.h"
#include "core/toggles.h"
#include "render/pass_timer.h"
#include "render/render_targets.h"
#include "render/renderer.h"

void createQuadGeometry(unsigned int& vao, unsigned int& vbo) {
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &vbo);
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof(FULLSCREEN_QUAD), FULLSCREEN_QUAD, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float),
                          reinterpret_cast<const void*>(2 * sizeof(float)));
}

ScreenQuad::ScreenQuad(Shader* quadProgram) : program(quadProgram) {
    createQuadGeometry(vao, vbo);
    glObjectLabel(GL_VERTEX_ARRAY, vao, -1, "composite quad");
}

void compositeScene(const ScreenQuad& quad, unsigned int sceneColorTexture, unsigned int volumetricTexture,
                    unsigned int sceneDepthTexture) {
    quad.program->use();
    glBindVertexArray(quad.vao);
    glDisable(GL_DEPTH_TEST);
    quad.program->setInt("useVolumetric", volumetricEnabled ? 1 : 0);

    glActiveTexture(GL_TEXTURE0 + COMPOSITE_SCENE_UNIT);
    glBindTexture(GL_TEXTURE_2D, sceneColorTexture);
    quad.program->setInt("screenTexture", COMPOSITE_SCENE_UNIT);
    glActiveTexture(GL_TEXTURE0 + COMPOSITE_DEPTH_UNIT);
    glBindTexture(GL_TEXTURE_2D, sceneDepthTexture);
    quad.program->setInt("depthTexture", COMPOSITE_DEPTH_UNIT);
    glActiveTexture(GL_TEXTURE0 + COMPOSITE_VOLUMETRIC_UNIT);
    glBindTexture(GL_TEXTURE_2D, volumetricTexture);
    quad.program->setInt("volumetricLightTexture", COMPOSITE_VOLUMETRIC_UNIT);

    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
    glEnable(GL_DEPTH_TEST);
}

void compositePass(Renderer& renderer) {
    beginPass(renderer.passTimer, Pass::Composite);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.frameTarget);
    glViewport(0, 0, static_cast<int>(settings.width), static_cast<int>(settings.height));
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    compositeScene(*renderer.screenQuad, renderer.sceneColorTexture, renderer.volumetricLight->colorTextureA,
                   renderer.sceneDepthTexture);
    endPass(renderer.passTimer, Pass::Composite);
}
