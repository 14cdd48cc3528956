// Light visibility: the static meshes that a still light cannot reach at all past the static casters.
#pragma once

#include "core/shader.h"
#include "render/renderer.h"
#include "world/lights.h"
#include "world/registry.h"

#include <glm/glm.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

struct Mesh;

// A still light's cube holds the house's depth for the whole run, and moving casters only ever add
// shadow. So a static mesh that no lookup of that cube could ever find lit adds no direct light from it,
// whatever moves: the scene pass leaves that light out of the mesh's shadowed lighting. Each static mesh
// within a still light's reach is drawn once against the static depth, with an occlusion query.
// The queries carry no labels: llvmpipe (Mesa 22.3) corrupts its heap deleting a labelled query.
struct LightVisibility {
    using Key = std::pair<Entity, const Mesh*>;  // a model's meshes stand in several places
    struct Query {
        Key key;
        int cube = 0;
        unsigned int name = 0;
    };
    std::vector<Query> pending;                      // asked, not yet read
    std::map<Key, std::uint8_t> hidden;              // bit c: cube c's light reaches no point of the mesh
    std::array<bool, MAX_LIGHTS> asked{};
    // A cube from -1 to 1 on each axis, drawn round a moving caster's bounds to ask whether a light's
    // static depth hides it, and the queries those draws reuse each frame.
    unsigned int boxVertexArray = 0;
    unsigned int boxVertices = 0;
    unsigned int boxIndices = 0;
    std::vector<unsigned int> casterQueries;

    LightVisibility() = default;
    LightVisibility(const LightVisibility&) = delete;
    LightVisibility& operator=(const LightVisibility&) = delete;
};

// How much nearer its light a mesh is drawn for the query: the lookups' normal offset and bias along the
// ray come to three shadow texels (2 d / SHADOW_SIZE each at distance d) and 2 mm; twice that, so a
// surface the lookups could find lit is never counted hidden. Thinner than the house's 0.3 m walls
// within a light's reach.
inline constexpr float VISIBILITY_MARGIN_CONSTANT = 0.004f;
inline constexpr float VISIBILITY_MARGIN_PER_METRE = 2.0f * 3.0f * 2.0f / static_cast<float>(SHADOW_SIZE);

// The box's buffers; the context is current.
void createVisibilityBox(LightVisibility& visibility);

// Begins the i-th of the queries reused for moving casters, made when first needed, and returns it.
unsigned int beginCasterQuery(LightVisibility& visibility, std::size_t i);

// Draws the box round the sphere at centre with the given radius, with the query program in use.
void drawVisibilityBox(const LightVisibility& visibility, const Shader& query, const glm::vec3& centre, float radius);

// Starts one occlusion query for the mesh of entity against cube; the mesh is drawn before the matching
// endVisibilityQuery.
void beginVisibilityQuery(LightVisibility& visibility, Entity entity, const Mesh& mesh, int cube);
void endVisibilityQuery();

// Reads every query asked so far (waiting for them) and records the meshes no sample of which passed.
void readVisibility(LightVisibility& visibility);

// The cubes whose lights the static casters hide the mesh of entity from entirely.
std::uint8_t hiddenCubes(const LightVisibility& visibility, Entity entity, const Mesh& mesh);
