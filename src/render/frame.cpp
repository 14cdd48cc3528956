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
// mode F1 set is put back after them.
static int keyPolygonMode() { return wireframe ? GL_LINE : GL_FILL; }

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
    if (renderer.unseen) return;
    if (renderer.beforePresent) renderer.beforePresent(renderer);
    glfwSwapBuffers(renderer.window);
}

// In the design's order; each fact the passes share (poses, placements, the lights and their reach) is
// worked out once, by the world update, before the first pass that reads it.
void renderFrame(Renderer& renderer, Registry& registry, float deltaTime) {
    const int keyMode = keyPolygonMode();
    setPolygonMode(GL_FILL);
    if (!renderer.shadowsInitialised) initShadows(renderer, registry);
    FrameCamera camera;
    updateCameras(registry, deltaTime, camera);
    const glm::mat4 projection = frameProjection();
    updateWorld(registry, deltaTime);
    shadowPass(renderer, registry);
    scenePass(renderer, registry, camera.view, projection, camera.position, keyMode);
    skyPass(renderer, camera.view, projection);
    if (volumetricEnabled)
        volumetricPasses(renderer, registry, camera.position, camera.inverseView, projection, deltaTime);
    compositePass(renderer);
    overlayPass(renderer, registry);
    // Start-up's own frames are not the player's.
    if (!renderer.unseen) countFrame(glfwGetTime());
    presentFrame(renderer, keyMode);
}
