// Volumetric light: uploads the volumetric lights, draws the ray-march quad and the separable blur.
#include "render/volumetric_pass.h"

#include "core/gl.h"
#include "core/settings.h"
#include "render/light_uniforms.h"
#include "render/pass_timer.h"
#include "render/render_targets.h"
#include "render/renderer.h"
#include "world/lights.h"
#include "world/placement.h"

namespace {

// Only lights marked volumetric take part, the first MAX_LIGHTS of the walk; returns how many.
int uploadVolumetricLights(Registry& registry, const Shader& program) {
    int n = 0;
    for (const FrameLight& light : frameLights(registry).lights) {
        if (!light.light->volumetric || n >= MAX_LIGHTS) continue;
        setLightUniforms(*light.light, program, n);
        n += 1;
    }
    return n;
}

void drawQuad() { glDrawArrays(GL_TRIANGLES, 0, 6); }

}  // namespace

void renderVolumetricLight(VolumetricLight& volumetric, unsigned int depthTexture, const glm::vec3& cameraPosition,
                           const glm::mat4& inverseView, const glm::mat4& inverseProjection, float frameTime,
                           Registry& registry, unsigned int shadowMapArray,
                           unsigned int shadowSampler) {
    const glm::ivec2 size = halfTargetSize();
    glBindFramebuffer(GL_FRAMEBUFFER, volumetric.framebufferA);
    glViewport(0, 0, size.x, size.y);
    // Magenta shows wherever the march wrote nothing.
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    const Shader& program = *volumetric.volumetricProgram;
    program.use();
    glBindVertexArray(volumetric.vao);
    glDisable(GL_DEPTH_TEST);

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, depthTexture);
    program.setInt("depthTexture", 0);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, shadowMapArray);
    glBindSampler(1, shadowSampler);
    program.setInt("shadowMapArray", 1);

    program.setMat4("view_inv", inverseView);
    program.setMat4("projection_inv", inverseProjection);
    program.setVec3("view_pos", cameraPosition);
    program.setInt("num_samples", VOLUMETRIC_SAMPLES);
    // The total, so the per-pixel start offsets keep moving from frame to frame.
    volumetric.accumulatedTime += frameTime;
    program.setFloat("frameTime", volumetric.accumulatedTime);

    program.setInt("nr_pointlights", uploadVolumetricLights(registry, program));
    drawQuad();
    glBindSampler(1, 0);
    glMemoryBarrier(GL_TEXTURE_FETCH_BARRIER_BIT);

    blurVolumetricLight(volumetric);

    glBindVertexArray(0);
    glEnable(GL_DEPTH_TEST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void blurVolumetricLight(VolumetricLight& volumetric) {
    const Shader& program = *volumetric.blurProgram;
    glBindFramebuffer(GL_FRAMEBUFFER, volumetric.framebufferB);
    program.use();
    // Yellow shows wherever the blur wrote nothing.
    glClearColor(1.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindVertexArray(volumetric.vao);

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, volumetric.colorTextureA);
    program.setInt("tex", 0);
    program.setInt("horizontal", 0);
    drawQuad();
    glMemoryBarrier(GL_TEXTURE_FETCH_BARRIER_BIT);

    // Every pixel of A is overwritten, so no clear.
    glBindFramebuffer(GL_FRAMEBUFFER, volumetric.framebufferA);
    glBindTexture(GL_TEXTURE_2D, volumetric.colorTextureB);
    program.setInt("tex", 0);
    program.setInt("horizontal", 1);
    glMemoryBarrier(GL_TEXTURE_FETCH_BARRIER_BIT);
    drawQuad();
}

// The scene depth halved into the march's own depth target.
static void halveSceneDepth(VolumetricLight& volumetric, unsigned int sceneDepthTexture) {
    glBindFramebuffer(GL_FRAMEBUFFER, volumetric.depthFramebuffer);
    const glm::ivec2 half = halfTargetSize();
    glViewport(0, 0, half.x, half.y);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    volumetric.downsampleProgram->use();
    glBindVertexArray(volumetric.vao);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, sceneDepthTexture);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
}

void volumetricPasses(Renderer& renderer, Registry& registry, const glm::vec3& cameraPosition,
                      const glm::mat4& inverseView, const glm::mat4& projection, float deltaTime) {
    beginPass(renderer.passTimer, Pass::Volumetric);
    VolumetricLight& volumetric = *renderer.volumetricLight;
    glDisable(GL_BLEND);
    halveSceneDepth(volumetric, renderer.sceneDepthTexture);

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, static_cast<int>(settings.width), static_cast<int>(settings.height));
    const glm::mat4 inverseProjection = glm::inverse(projection);
    renderVolumetricLight(volumetric, volumetric.halfDepthTexture, cameraPosition, inverseView,
                          inverseProjection, deltaTime, registry, renderer.shadowMapArray,
                          renderer.shadowLookupSampler);
    glEnable(GL_BLEND);
    endPass(renderer.passTimer, Pass::Volumetric);
}
