// World update: clocks, poses and animated lights, in that order.
#include "world/update.h"

#include "world/clocks.h"
#include "world/pose.h"

void updateWorld(Registry& registry, float deltaTime) {
    advanceAnimationClocks(registry, deltaTime);
    poseDrawables(registry);
    animateLights(registry);
}
