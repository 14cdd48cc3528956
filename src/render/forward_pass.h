// Forward shading: every drawable lit by up to eight point lights with their shadow cubes.
#pragma once

#include <glm/glm.hpp>

struct Registry;
struct Renderer;

// Material constants shared by every entity (the ambient coefficient is the settings' brightness).
inline constexpr glm::vec3 DIFFUSE_COLOR{1.0f, 1.0f, 1.0f};
inline constexpr float DIFFUSE_COEFFICIENT = 0.7f;
inline constexpr float SPECULAR_COEFFICIENT = 0.2f;
inline constexpr float SPECULAR_ALPHA = 8.0f;

// Share of each light's colour that the rooms bounce back everywhere, falling off as 1 / (1 + FALLOFF d^2).
inline constexpr float BOUNCE_SHARE = 0.15f;
inline constexpr float BOUNCE_FALLOFF = 0.2f;
// Most a light's soft light may be off, in linear light, where the vertex stage works it out for the
// pixels to interpolate: once through the ambient share and the albedo, a fraction of the darkest step of
// the 8-bit window.
inline constexpr float VERTEX_BOUNCE_ERROR = 2.5e-4f;

struct LightSource;

// How far from a mesh whose triangles' edges are at most edge long the light must lie for its soft light
// to be worked out per vertex within VERTEX_BOUNCE_ERROR. Across an edge h, interpolation is off by about
// h^2 / 8 times the curvature, and the bounce C * BOUNCE_SHARE / (1 + FALLOFF d^2) bends by at most
// 6 C BOUNCE_SHARE / (FALLOFF d^4) beyond d = 1 / sqrt(FALLOFF); an ambient colour A attenuated by at
// least a quadratic q adds 6 A / (q d^4).
float vertexBounceDistance(const LightSource& light, float edge);

// Texture unit of the shadow cube array; mesh textures start after FORWARD_UNIT_BASE.
inline constexpr int SHADOW_ARRAY_UNIT = 0;
inline constexpr int FORWARD_UNIT_BASE = 2;

// What the frame hands the pass; nothing is owned.
struct ForwardPassContext {
    Registry& registry;
    const glm::mat4& view;
    const glm::mat4& projection;
    const glm::vec3& cameraPosition;
    Renderer& renderer;
};

// Draws each (Transform, Drawable) entity into the bound scene framebuffer, in the registry's order.
void drawScene(const ForwardPassContext& context);

// Start-up: each skinned drawable's meshes drawn once with the program of every light count the pass may
// choose for them, into the scene framebuffer with the state its pass leaves, so that none is built or
// compiled by the driver during the flight.
void prepareLightCounts(Renderer& renderer, Registry& registry);

// The frame's scene pass: the scene framebuffer cleared, then every drawable lit into it, in polygonMode
// (F1's line mode applies to the scene's geometry alone).
void scenePass(Renderer& renderer, Registry& registry, const glm::mat4& view, const glm::mat4& projection,
               const glm::vec3& cameraPosition, int polygonMode);
