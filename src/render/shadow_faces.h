// Shadow faces: a light's live cube drawn one face at a time, its still casters and its moving ones.
#pragma once

#include "world/components.h"

#include <glm/glm.hpp>

#include <cstdint>
#include <vector>

struct LightSource;
struct Mesh;
struct Registry;
struct Renderer;

// A caster whose shape changes from frame to frame (a mesh of a skinned drawable), posed by the world update.
struct MovingCaster {
    Drawable* drawable = nullptr;
    const Mesh* mesh = nullptr;
    glm::mat4 world{1.0f};
    Sphere bounds;  // the pose's, round this mesh
};

// The meshes of the skinned drawables, in the registry's walk order and each model's mesh order.
std::vector<MovingCaster> movingCasters(Registry& registry);

// A moving caster and the faces of one light's cube it is drawn into.
struct CasterFaces {
    const MovingCaster* caster = nullptr;
    std::uint8_t faces = 0;
};

// The faces of the light's cube that the caster's posed bounds fall in, none beyond reach.
std::uint8_t casterFaces(const MovingCaster& caster, const LightSource& light, float reach);

// Whether any of the mesh, placed by world, comes within reach of the light.
bool meshWithinReach(const Mesh& mesh, const glm::mat4& world, const LightSource& light, float reach);

// The light's still casters into its live cube: every face cleared, then each mesh drawn into the faces its
// bounds fall in, with the culling state as it is.
void drawStaticFaces(Renderer& renderer, Registry& registry, const LightSource& light, float reach);

// The moving casters over the light's live cube, each into its faces, with the pose of this frame.
void drawCasterFaces(Renderer& renderer, const std::vector<CasterFaces>& casters, const LightSource& light);

// A light that moves: its whole cube from scratch, everything within its reach.
void redrawCube(Renderer& renderer, Registry& registry, const LightSource& light,
                const std::vector<MovingCaster>& casters);
