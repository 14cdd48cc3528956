// Shadow faces: a light's live cube drawn one face at a time, its still casters and its moving ones.
#pragma once

#include "world/components.h"
#include "world/placement.h"

#include <glm/glm.hpp>

#include <cstdint>
#include <vector>

struct LightSource;
struct Mesh;
struct Registry;
struct Renderer;

// One mesh drawn into some faces of a light's cube: a still one, or a moving caster (a mesh of a skinned
// drawable, drawn with its pose), which the visibility queries may first ask whether the light can see.
struct FaceDraw {
    const Drawable* drawable = nullptr;
    const Mesh* mesh = nullptr;
    std::size_t meshIndex = 0;  // in the drawable's placement
    std::uint8_t faces = 0;
    unsigned int query = 0;     // 0: not asked, taken as seen

    const Sphere& bounds() const { return drawable->placement.meshBounds[meshIndex]; }
};

// Every mesh of the skinned drawables, in the registry's walk order and each model's mesh order, in no face.
std::vector<FaceDraw> movingCasters(Registry& registry);

// The mesh's draw for the light: the faces of its cube the mesh's bounds fall in, none where the frame's
// placement has the mesh beyond the light's reach.
FaceDraw faceDraw(const FaceDraw& mesh, const FrameLight& light);

// Whether the frame's placement has the drawable's mesh within the light's reach.
bool reaches(const FrameLight& light, const Drawable& drawable, std::size_t meshIndex);

// Each draw into its faces of the light's live cube, faces in `cleared` cleared first, with the culling state
// as it is; a moving caster with its pose.
void drawShadowCasters(Renderer& renderer, const LightSource& light, const std::vector<FaceDraw>& draws,
                       std::uint8_t cleared);

// The light's still casters into its live cube: every face cleared, then each still mesh within reach.
void drawStaticFaces(Renderer& renderer, Registry& registry, const FrameLight& light);

// A light that moves: its whole cube from scratch, everything within its reach.
void redrawCube(Renderer& renderer, Registry& registry, const FrameLight& light,
                const std::vector<FaceDraw>& casters);
