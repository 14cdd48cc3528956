// Visibility queries: what a still light's static depth hides, asked with occlusion queries drawn against it.
#pragma once

#include "render/shadow_faces.h"

#include <cstddef>
#include <vector>

struct LightSource;
struct Registry;
struct Renderer;

// A moving caster within a still light's reach and, where it was asked, the query of whether the static
// depth leaves any of it to be seen.
struct CasterLook {
    CasterFaces draw;
    unsigned int query = 0;  // 0: not asked, taken as seen
};

// Asks against the light's static depth, on its live cube: with askMeshes, whether any of each static mesh
// within reach could be found lit by the scene's lookups; and whether each caster that a box round it can
// hide is hidden. queriesUsed counts the reusable caster queries taken this frame. culling is put back after.
void askVisibility(Renderer& renderer, Registry& registry, const LightSource& light, float reach, bool askMeshes,
                   std::vector<CasterLook>& looks, std::size_t& queriesUsed, bool culling);

// Whether the caster may show in the light's cube: not asked, or some of its box passed (waits for the answer).
bool casterSeen(const CasterLook& look);
