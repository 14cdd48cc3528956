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

// The frame's scene pass: the scene framebuffer cleared, then every drawable lit into it, in polygonMode
// (F1's line mode applies to the scene's geometry alone).
void scenePass(Renderer& renderer, Registry& registry, const glm::mat4& view, const glm::mat4& projection,
               const glm::vec3& cameraPosition, int polygonMode);
