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
// within a still light's reach is drawn against the static depth with an occlusion query, once for each
// time that depth is drawn.
// The queries carry no labels: llvmpipe (Mesa 22.3) corrupts its heap deleting a labelled query.
struct LightVisibility {
    using Key = std::pair<Entity, const Mesh*>;  // a model's meshes stand in several places
    struct Query {
        Key key;
        int cube = 0;
        unsigned int name = 0;
    };
    std::vector<Query> pending;                      // asked, not yet read
    // Query names read and free for the next question: llvmpipe (Mesa 22.3) sometimes corrupts its heap
    // deleting queries during the run, so they are kept and asked again.
    std::vector<unsigned int> spareQueries;
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

// What the scene's shadow lookups take round a pixel at distance d from the light (fragment.shader holds the
// same numbers): the point moved off the surface along its normal and the bias along the ray, in shadow
// texels (2 d / SHADOW_SIZE each) and metres, and the filter's disc on the receiver's plane, whose radius
// grows with d.
inline constexpr float SHADOW_NORMAL_OFFSET_TEXELS = 1.5f;
inline constexpr float SHADOW_BIAS_TEXELS = 1.5f;
inline constexpr float SHADOW_BIAS_METRES = 0.002f;
inline constexpr float SHADOW_DISC_METRES = 0.015f;
inline constexpr float SHADOW_DISC_PER_METRE = 0.012f;
inline constexpr float SHADOW_TEXELS_PER_METRE = 2.0f / static_cast<float>(SHADOW_SIZE);

// How much nearer its light a mesh is drawn for the query: the normal offset and the bias along the ray,
// twice over, so a surface the lookups could find lit is never counted hidden. Thinner than the house's
// 0.3 m walls within a light's reach.
inline constexpr float VISIBILITY_MARGIN_CONSTANT = 2.0f * SHADOW_BIAS_METRES;
inline constexpr float VISIBILITY_MARGIN_PER_METRE =
    2.0f * (SHADOW_NORMAL_OFFSET_TEXELS + SHADOW_BIAS_TEXELS) * SHADOW_TEXELS_PER_METRE;
// A lookup reads the nearest texel, up to half a texel beside the point it asks about.
inline constexpr float SHADOW_NEAREST_TEXEL_REACH = 0.5f;
// How far each triangle of a mesh is widened in its own plane for the query, at the triangle's farthest
// corner: the lookups of a pixel near a mesh's edge also sample beside it, by the disc's radius, by the
// normal offset where the light grazes the surface (the offset then points across the ray), and by the
// nearest texel's half.
inline constexpr float VISIBILITY_WIDENING_CONSTANT = SHADOW_DISC_METRES;
inline constexpr float VISIBILITY_WIDENING_PER_METRE =
    SHADOW_DISC_PER_METRE + (SHADOW_NORMAL_OFFSET_TEXELS + SHADOW_NEAREST_TEXEL_REACH) * SHADOW_TEXELS_PER_METRE;

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

// Drops what is known of cube, asked or answered: its static depth was drawn again.
void forgetVisibility(LightVisibility& visibility, int cube);

// The cubes whose lights the static casters hide the mesh of entity from entirely.
std::uint8_t hiddenCubes(const LightVisibility& visibility, Entity entity, const Mesh& mesh);
