// Animation clocks: advanced once per frame; lights that ride on animated nodes follow them.
#pragma once

#include "world/registry.h"

struct LightSource;

// Every animated Drawable's animationTime grows by deltaTime, once per frame, before the drawables are posed.
void advanceAnimationClocks(Registry& registry, float deltaTime);

// Moves an animated light (held by entity) to its node's origin at the owner's animationTime, wrapped into
// the clip as the bone pose is, so the light stays on what it belongs to. Advances no clock.
void animateLight(Registry& registry, Entity entity, LightSource& light);
