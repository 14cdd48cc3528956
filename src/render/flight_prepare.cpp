// Flight preparation: two frames drawn unseen at start-up, then every light count's program drawn once.
#include "render/flight_prepare.h"

#include "core/gl.h"
#include "render/forward_pass.h"
#include "render/frame.h"
#include "render/renderer.h"
#include "world/components.h"
#include "world/lights.h"

#include <utility>
#include <vector>

namespace {

// What the unseen frames change that the design's first frame must still find as start-up left it.
struct FirstFrameState {
    std::vector<std::pair<Entity, LightSource>> lights;
    std::vector<std::pair<Entity, Camera>> cameras;
};

FirstFrameState keepFirstFrameState(Registry& registry) {
    FirstFrameState kept;
    registry.each<LightSource>([&](Entity e, LightSource& light) { kept.lights.emplace_back(e, light); });
    registry.each<Camera>([&](Entity e, Camera& camera) { kept.cameras.emplace_back(e, camera); });
    return kept;
}

void restoreFirstFrameState(Renderer& renderer, Registry& registry, const FirstFrameState& kept) {
    for (const auto& [e, light] : kept.lights) registry.get<LightSource>(e) = light;
    for (const auto& [e, camera] : kept.cameras) registry.get<Camera>(e) = camera;
    renderer.shadowsInitialised = false;
    // Blending starts off, with GL's own factors, until the first frame's volumetric block or text.
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
}

}  // namespace

void prepareFlight(Renderer& renderer, Registry& registry) {
    const FirstFrameState kept = keepFirstFrameState(registry);
    // The first draws blend nothing and the later ones blend; the second also asks what the first drew.
    renderer.unseen = true;
    renderFrame(renderer, registry, 0.0f);
    renderFrame(renderer, registry, 0.0f);
    renderer.unseen = false;
    // Moving casters take other light counts later in the flight.
    prepareLightCounts(renderer, registry);
    restoreFirstFrameState(renderer, registry, kept);
    glFinish();
}
