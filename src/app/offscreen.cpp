// Off-screen game: set-up, flight clocks and frame read-back for the tools that render the flight.
#include "app/offscreen.h"

#include "animation/hierarchy.h"
#include "app/startup.h"
#include "assets/model.h"
#include "core/gl.h"
#include "core/settings.h"
#include "render/flight_prepare.h"
#include "world/components.h"

#include <assimp/scene.h>

#include <utility>

namespace {

// Reads the finished back buffer, before the swap leaves it undefined.
void readBackBuffer(FramePixels& lastFrame) {
    lastFrame.width = static_cast<int>(settings.width);
    lastFrame.height = static_cast<int>(settings.height);
    lastFrame.rgb.assign(static_cast<std::size_t>(lastFrame.width) * lastFrame.height * 3, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, lastFrame.width, lastFrame.height, GL_RGB, GL_UNSIGNED_BYTE, lastFrame.rgb.data());
}

}  // namespace

void openOffscreenGame(OffscreenGame& game, int width, int height) {
    settings.width = static_cast<float>(width);
    settings.height = static_cast<float>(height);
    settings.fullscreen = false;
    SceneImports imports = startSceneImports();
    initRenderer(game.renderer, false);
    game.resources = loadSceneResources(std::move(imports));
    createPlayer(game.resources, game.registry);
    buildScene(game.resources, game.registry);
    prepareFlight(game.renderer, game.registry);
}

void setFlightTime(Registry& registry, float t) {
    registry.each<Drawable>([&](Entity entity, Drawable& drawable) {
        drawable.animationTime = t;
        if (registry.all_of<Player>(entity)) drawable.cameraTime = t;
    });
}

float flightLength(Registry& registry) {
    float length = 0.0f;
    registry.each<Player, Drawable>([&](Entity, Player&, Drawable& drawable) {
        const aiAnimation* clip = drawable.model ? drawable.model->chosenAnimation() : nullptr;
        if (clip) length = static_cast<float>(clip->mDuration / ticksPerSecond(*clip));
    });
    return length;
}

void keepPresentedFrames(OffscreenGame& game, bool on) {
    game.renderer.beforePresent = nullptr;
    if (on) game.renderer.beforePresent = [&game](Renderer&) { readBackBuffer(game.lastFrame); };
}
