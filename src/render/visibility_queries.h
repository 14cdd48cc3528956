// Visibility queries: what a still light's static depth hides, asked with occlusion queries drawn against it.
#pragma once

#include "render/shadow_faces.h"

#include <cstddef>
#include <vector>

struct Registry;
struct Renderer;

// What one still light asks against its static depth, on its live cube.
struct VisibilityQuestions {
    const FrameLight& light;
    // Whether any of each still mesh within reach could be found lit by the scene's lookups (asked once the
    // static depth has stood a frame).
    bool meshes = false;
    // The moving casters within reach: each that a box round it can hide gets a query, whether it is hidden.
    std::vector<FaceDraw>& casters;
    // The reusable caster queries taken this frame, over every light.
    std::size_t& queriesUsed;
};

void askVisibility(Renderer& renderer, Registry& registry, const VisibilityQuestions& questions);

// Whether the caster may show in the light's cube: not asked, or some of its box passed (waits for the answer).
bool casterSeen(const FaceDraw& caster);
