// Placement: world matrices and bounds, the frame's light list, and the lights that reach each mesh.
#include "world/placement.h"

#include "assets/model.h"
#include "world/clocks.h"
#include "world/pose.h"
#include "world/transform.h"

#include <algorithm>

FrameLights& frameLights(Registry& registry) {
    FrameLights* found = nullptr;
    registry.each<FrameLights>([&](Entity, FrameLights& lights) { found = &lights; });
    return found ? *found : registry.emplace<FrameLights>(registry.create());
}

bool withinReach(const Sphere& bounds, const glm::vec3& lightPosition, float reach) {
    // A per cent and a centimetre: the reach is solved in floats, the shaders test it per pixel.
    return glm::length(bounds.centre - lightPosition) - bounds.radius <= reach * 1.01f + 0.01f;
}

void placeDrawables(Registry& registry) {
    registry.each<Transform, Drawable>([&](Entity, Transform& transform, Drawable& drawable) {
        Placement& placed = drawable.placement;
        placed.world = worldMatrix(transform, registry);
        placed.scale = largestScale(placed.world);
        placed.meshBounds.clear();
        if (!drawable.model) return;
        if (isSkinned(drawable)) {
            poseDrawable(drawable);
            return;
        }
        for (const Mesh& mesh : drawable.model->meshes)
            placed.meshBounds.push_back({glm::vec3(placed.world * glm::vec4(mesh.boundsCentre, 1.0f)),
                                         mesh.boundsRadius * placed.scale});
    });
}

FrameLights& gatherLights(Registry& registry) {
    FrameLights& frame = frameLights(registry);
    frame.lights.clear();
    forEachLight(registry, [&](Entity entity, LightSource& light) {
        animateLight(registry, entity, light);
        frame.lights.push_back({&light, lightReach(light), static_cast<int>(frame.lights.size())});
    });
    return frame;
}

void findReachingLights(Registry& registry, const FrameLights& frame) {
    const std::size_t count = std::min(frame.lights.size(), static_cast<std::size_t>(MAX_LIGHTS));
    registry.each<Transform, Drawable>([&](Entity, Transform&, Drawable& drawable) {
        Placement& placed = drawable.placement;
        placed.meshLights.assign(placed.meshBounds.size(), 0);
        for (std::size_t m = 0; m < placed.meshBounds.size(); ++m)
            for (std::size_t i = 0; i < count; ++i) {
                const FrameLight& light = frame.lights[i];
                if (withinReach(placed.meshBounds[m], light.light->mPosition, light.reach))
                    placed.meshLights[m] |= static_cast<LightSet>(1u << i);
            }
    });
}
