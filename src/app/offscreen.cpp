// Off-screen game set-up, flight clocks and frame read-back shared by the shot, capture and bench tools.
#include "app/offscreen.h"

#include "app/startup.h"

#include "animation/hierarchy.h"
#include "assets/model.h"
#include "core/gl.h"
#include "core/settings.h"
#include "render/frame.h"
#include "world/components.h"

#include <assimp/scene.h>
#include <stb_image_write.h>

#include <cstdio>

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
    initRenderer(game.renderer, false);
    game.resources = loadSceneResources();
    createPlayer(game.resources, game.registry);
    buildScene(game.resources, game.registry);
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

bool parseSize(const char* text, int& width, int& height) {
    int w = 0, h = 0;
    char tail = 0;
    if (std::sscanf(text, "%dx%d%c", &w, &h, &tail) != 2 || w <= 0 || h <= 0) return false;
    width = w;
    height = h;
    return true;
}

void keepPresentedFrames(OffscreenGame& game, bool on) {
    game.renderer.beforePresent = nullptr;
    if (on) game.renderer.beforePresent = [&game](Renderer&) { readBackBuffer(game.lastFrame); };
}

bool writePng(const std::string& path, const FramePixels& frame) {
    if (frame.rgb.empty()) return false;
    // GL rows run bottom-up, PNG rows top-down.
    stbi_flip_vertically_on_write(1);
    return stbi_write_png(path.c_str(), frame.width, frame.height, 3, frame.rgb.data(), frame.width * 3) != 0;
}
