// One frame as a recipe of passes, and the frame-rate window.
#include "app/frame.h"

#include "app/gl.h"
#include "app/input.h"
#include "app/pass_timer.h"
#include "app/renderer.h"
#include "app/settings.h"
#include "animation/clocks.h"
#include "render/composite.h"
#include "render/forward_pass.h"
#include "render/overlay.h"
#include "render/render_targets.h"
#include "render/shadow_pass.h"
#include "render/sky.h"
#include "render/volumetric_pass.h"
#include "world/camera_system.h"
#include "world/registry.h"

#include <glm/gtc/matrix_transform.hpp>

int frameCount = 0;
float fps = 0.0f;
// The window system is not initialised yet, so this reads 0.
float fpsWindowStart = static_cast<float>(glfwGetTime());

void countFrame(double now) {
    frameCount += 1;
    if (now - static_cast<double>(fpsWindowStart) >= 1.0) {
        fpsWindowStart += 1.0f;
        fps = static_cast<float>(frameCount);
        frameCount = 0;
    }
}

// F1's line mode is for the scene's geometry alone. Shadow depth, the full-screen passes and the text
// draw filled (in lines the composite would leave only its quad's edge on the white clear), and the
// mode is put back after them.
static int keyPolygonMode() {
    int modes[2] = {GL_FILL, GL_FILL};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    return modes[0];
}

static void setPolygonMode(int mode) { glPolygonMode(GL_FRONT_AND_BACK, static_cast<GLenum>(mode)); }

glm::mat4 frameProjection() {
    return glm::perspective(glm::radians(90.0f), settings.width / settings.height, 0.1f, 500.0f);
}

// Volumetric light at half size: the scene depth halved, then the ray march and its blur.
static void renderVolumetricPasses(Renderer& renderer, Registry& registry, const FrameCamera& frameCamera,
                                   const glm::mat4& projection, float deltaTime) {
    VolumetricLight& volumetric = *renderer.volumetricLight;
    glDisable(GL_BLEND);
    glBindFramebuffer(GL_FRAMEBUFFER, volumetric.depthFramebuffer);
    const glm::ivec2 half = halfTargetSize();
    glViewport(0, 0, half.x, half.y);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    volumetric.downsampleProgram->use();
    glBindVertexArray(volumetric.vao);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, renderer.sceneDepthTexture);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);

    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, static_cast<int>(settings.width), static_cast<int>(settings.height));
    const glm::mat4 inverseProjection = glm::inverse(projection);
    renderVolumetricLight(volumetric, volumetric.halfDepthTexture, frameCamera.position, frameCamera.inverseView,
                          inverseProjection, deltaTime, registry, renderer.shadowMapArray,
                          renderer.shadowLookupSampler);
    glEnable(GL_BLEND);
}

void renderFrame(Renderer& renderer, Registry& registry, float deltaTime) {
    const int width = static_cast<int>(settings.width);
    const int height = static_cast<int>(settings.height);
    const int keyMode = keyPolygonMode();
    setPolygonMode(GL_FILL);
    // First frame: every light gets its cube in the shadow array and its face matrices.
    if (!renderer.shadowsInitialised) initShadows(renderer, registry);

    // The player's camera, posed from its model's animated camera.
    FrameCamera frameCamera;
    updateCameras(registry, deltaTime, frameCamera);
    glm::mat4 projection = frameProjection();
    const glm::mat4& view = frameCamera.view;

    // Every animated clock moves once a frame, before any pass poses a model at it.
    advanceAnimationClocks(registry, deltaTime);

    // Shadow pass: every light's cube brought up to date in the shadow array; the cache keeps what did not
    // change, so the array is not cleared here.
    beginPass(renderer.passTimer, Pass::Shadow);
    glViewport(0, 0, SHADOW_SIZE, SHADOW_SIZE);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
    glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
    renderer.shadowShader->use();
    animateLights(registry);  // lights on animated nodes follow them; the casters are posed, not advanced
    renderShadowCasters(renderer, registry, deltaTime);
    endPass(renderer.passTimer, Pass::Shadow);

    // Scene pass: lit drawables, then the sky, into the scene framebuffer, in the mode F1 set.
    setPolygonMode(keyMode);
    beginPass(renderer.passTimer, Pass::Scene);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.sceneFramebuffer);
    glViewport(0, 0, width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawScene(ForwardPassContext{registry, view, projection, frameCamera.position, renderer});
    endPass(renderer.passTimer, Pass::Scene);
    beginPass(renderer.passTimer, Pass::Sky);
    drawSkybox(*renderer.skybox, view, projection, renderer.skyboxTexture);
    endPass(renderer.passTimer, Pass::Sky);
    setPolygonMode(GL_FILL);

    if (volumetricEnabled) {
        beginPass(renderer.passTimer, Pass::Volumetric);
        renderVolumetricPasses(renderer, registry, frameCamera, projection, deltaTime);
        endPass(renderer.passTimer, Pass::Volumetric);
    }

    // Composite: scene and volumetric light to the window.
    beginPass(renderer.passTimer, Pass::Composite);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, width, height);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    compositeScene(*renderer.screenQuad, renderer.sceneColorTexture, renderer.volumetricLight->colorTextureA,
                   renderer.sceneDepthTexture);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    endPass(renderer.passTimer, Pass::Composite);

    // Overlay: frame-rate text over the finished frame.
    beginPass(renderer.passTimer, Pass::Overlay);
    glDisable(GL_DEPTH_TEST);
    drawOverlay(*renderer.textRenderer, registry);
    endPass(renderer.passTimer, Pass::Overlay);

    setPolygonMode(keyMode);

    countFrame(glfwGetTime());

    glEnable(GL_DEPTH_TEST);
    if (renderer.beforePresent) renderer.beforePresent(renderer);
    glfwSwapBuffers(renderer.window);
}
