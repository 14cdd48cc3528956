// World update: clocks, placements and poses, then the lights and what they reach, in that order.
#include "world/update.h"

#include "world/clocks.h"
#include "world/placement.h"

void updateWorld(Registry& registry, float deltaTime) {
    advanceAnimationClocks(registry, deltaTime);
    placeDrawables(registry);
    findReachingLights(registry, gatherLights(registry));
}
