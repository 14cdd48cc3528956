// One frame as a recipe: its steps in order, each one named call.
#include "render/frame.h"

#include "core/frame_rate.h"
#include "core/gl.h"
#include "core/settings.h"
#include "core/toggles.h"
#include "render/composite.h"
#include "render/forward_pass.h"
#include "render/overlay.h"
#include "render/renderer.h"
#include "render/shadow_pass.h"
#include "render/sky.h"
#include "render/volumetric_pass.h"
#include "world/camera_system.h"
#include "world/registry.h"
#include "world/update.h"

#include <glm/gtc/matrix_transform.hpp>

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
    return glm::perspective(glm::radians(PROJECTION_FOV_DEGREES), settings.width / settings.height, PROJECTION_NEAR,
                            PROJECTION_FAR);
}

// The frame's last step: the mode F1 set and depth testing back for the next frame, then the finished
// frame presented.
static void presentFrame(Renderer& renderer, int keyMode) {
    setPolygonMode(keyMode);
    glEnable(GL_DEPTH_TEST);
    if (renderer.beforePresent) renderer.beforePresent(renderer);
    glfwSwapBuffers(renderer.window);
}

void renderFrame(Renderer& renderer, Registry& registry, float deltaTime) {
    const int keyMode = keyPolygonMode();
    setPolygonMode(GL_FILL);
    // 1. First frame only: every light gets its cube in the shadow array and its face matrices.
    if (!renderer.shadowsInitialised) initShadows(renderer, registry);
    // 2. Cameras: the player's camera, posed from its model's animated camera.
    FrameCamera camera;
    updateCameras(registry, deltaTime, camera);
    // 3. Projection.
    const glm::mat4 projection = frameProjection();
    // 4. World: the clocks move, the skinned drawables are posed and the animated lights follow, once for
    // every pass below.
    updateWorld(registry, deltaTime);
    // 5. Shadow pass: every light's cube is brought up to date.
    shadowPass(renderer, registry);
    // 6. Scene pass: lit drawables into the scene framebuffer, in the mode F1 set.
    scenePass(renderer, registry, camera.view, projection, camera.position, keyMode);
    // 7. Sky, behind the scene.
    skyPass(renderer, camera.view, projection);
    // 8. Volumetric block (F5): depth halved, light ray-marched at half size and blurred.
    if (volumetricEnabled)
        volumetricPasses(renderer, registry, camera.position, camera.inverseView, projection, deltaTime);
    // 9. Composite: scene and volumetric light to the window.
    compositePass(renderer);
    // 10. Overlay: frame-rate text over the finished frame.
    overlayPass(renderer, registry);
    // 11. Frame-rate count.
    countFrame(glfwGetTime());
    // 12. Swap.
    presentFrame(renderer, keyMode);
}
