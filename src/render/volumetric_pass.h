// Volumetric light: the half-size ray march through the volumetric lights and its two-pass blur.
#pragma once

#include <glm/glm.hpp>

struct Registry;
struct VolumetricLight;

// The pass's base sample count per ray, handed to the shader as "num_samples".
inline constexpr int VOLUMETRIC_SAMPLES = 10;

// Marches the view rays against depthTexture and the shadow cubes into colorTextureA, then blurs it.
// frameTime is this frame's duration; the shader gets the total over every frame that ran the pass.
// Leaves the half-size viewport, depth testing on and the default framebuffer bound.
void renderVolumetricLight(VolumetricLight& volumetric, unsigned int depthTexture, const glm::vec3& cameraPosition,
                           const glm::mat4& inverseView, const glm::mat4& inverseProjection, float frameTime,
                           Registry& registry, unsigned int shadowMapArray,
                           unsigned int shadowSampler = 0);

struct Renderer;

// The frame's volumetric block at half size: the scene depth halved, then the ray march and its blur.
// Blending is off inside it and back on after.
void volumetricPasses(Renderer& renderer, Registry& registry, const glm::vec3& cameraPosition,
                      const glm::mat4& inverseView, const glm::mat4& projection, float deltaTime);

// A into B across ("horizontal" 0), then B back into A ("horizontal" 1); the quad stays bound.
void blurVolumetricLight(VolumetricLight& volumetric);
