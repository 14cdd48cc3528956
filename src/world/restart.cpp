// Restart of a run.
#include "world/restart.h"

#include "audio/timeline.h"
#include "core/toggles.h"
#include "world/components.h"
#include "world/scene.h"

void restartPlayer(Registry& registry, const SceneResources& resources) {
    for (Entity e : registry.view<Transform>())
        if (registry.all_of<Player>(e)) registry.destroy(e);
    createPlayer(resources, registry);
}

bool handleRestartRequest(Registry& registry, const SceneResources& resources, float& elapsedTime,
                          AudioState& audio) {
    if (!restartRequested) return false;
    restartPlayer(registry, resources);
    restartRequested = false;
    elapsedTime = 0.0f;
    resetTimedEffects(audio);
    return true;
}
