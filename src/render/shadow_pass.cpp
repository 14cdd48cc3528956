// Point-light shadows: face matrices per light and the caster draws of the layered depth pass.
#include "render/shadow_pass.h"

#include "app/gl.h"
#include "app/renderer.h"
#include "assets/model.h"
#include "render/lights.h"
#include "world/components.h"
#include "world/transform.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <unordered_map>

namespace {

// Beyond its reach a light adds less than this share of its colour; the main fragment shader stops lighting
// there too, so casters wholly beyond it change no pixel.
constexpr float REACH_SHARE = 0.002f;

struct Sphere {
    glm::vec3 centre{0.0f};
    float radius = 0.0f;
};

// Bounds of a mesh in its own coordinates, computed once per mesh (its vertex array name is unique).
const Sphere& meshBounds(const Mesh& mesh) {
    static std::unordered_map<unsigned int, Sphere> cache;
    auto found = cache.find(mesh.vao);
    if (found != cache.end()) return found->second;
    glm::vec3 lo(std::numeric_limits<float>::max()), hi(-std::numeric_limits<float>::max());
    for (const Vertex& v : mesh.vertices) {
        lo = glm::min(lo, v.position);
        hi = glm::max(hi, v.position);
    }
    Sphere sphere;
    if (!mesh.vertices.empty()) {
        sphere.centre = 0.5f * (lo + hi);
        for (const Vertex& v : mesh.vertices)
            sphere.radius = std::max(sphere.radius, glm::length(v.position - sphere.centre));
    }
    return cache.emplace(mesh.vao, sphere).first->second;
}

// Static models: only the meshes that come within the light's reach, the same uniforms as a full draw.
void drawReachableMeshes(Model& model, const Shader& shader, const glm::mat4& world, const LightSource& light,
                         float reach) {
    glUniform1i(glGetUniformLocation(shader.ID, "hasAnimations"), 0);
    for (const Mesh& mesh : model.meshes) {
        const Sphere& bounds = meshBounds(mesh);
        const glm::vec3 centre = glm::vec3(world * glm::vec4(bounds.centre, 1.0f));
        if (glm::length(centre - light.mPosition) - bounds.radius > reach) continue;
        mesh.draw(shader, 0);
    }
}

}  // namespace

float lightReach(const LightSource& light) {
    const glm::vec3 c = light.mColorDiffuse;
    const float colour = std::max({c.r, c.g, c.b, 0.0f});
    // Solve constant + linear d + quadratic d^2 = colour / share for d.
    const float target = colour / REACH_SHARE - light.mAttenuationConstant;
    const float a = light.mAttenuationQuadratic, b = light.mAttenuationLinear;
    if (target <= 0.0f) return 0.0f;
    if (a > 0.0f) return (-b + std::sqrt(b * b + 4.0f * a * target)) / (2.0f * a);
    if (b > 0.0f) return target / b;
    return std::numeric_limits<float>::infinity();
}

void initShadowTransforms(LightSource& light, unsigned int /*shadowFramebuffer*/, int index) {
    light.mLightID = index;
    light.near_far = glm::vec2(light.nearPlane, light.farPlane);
    computeShadowTransforms(light);
}

void computeShadowTransforms(LightSource& light) {
    for (const CubeFace& face : CUBE_FACES) {
        const glm::mat4 view = glm::lookAt(light.mPosition, light.mPosition + face.direction, face.up);
        light.shadowTransforms.push_back(light.shadowProjection * view);
    }
}

void setShadowUniforms(LightSource& light, const Shader& shadowShader) {
    if (light.animated) {
        // Follows the position the light animation set this frame.
        light.shadowTransforms.clear();
        computeShadowTransforms(light);
    }
    for (std::size_t i = 0; i < 6 && i < light.shadowTransforms.size(); ++i)
        shadowShader.setMat4("cm_mat[" + std::to_string(i) + "]", light.shadowTransforms[i]);
    shadowShader.setInt("lightID", light.mLightID);
    shadowShader.setVec2("near_far", light.near_far);
    shadowShader.setVec4("lightPos", glm::vec4(light.mPosition, 1.0f));
}

void drawShadowCasters(const ShadowPassContext& context) {
    if (!context.light || !hasShadowCube(*context.light)) return;
    Renderer& renderer = context.renderer;
    const Shader& shader = *renderer.shadowShader;
    const float reach = lightReach(*context.light);
    context.registry.each<Transform, Drawable>([&](Entity, Transform& transform, Drawable& drawable) {
        if (!drawable.model) return;
        const glm::mat4 world = worldMatrix(transform, context.registry);
        shader.setMat4("modelMatrix", world);
        for (Mesh& mesh : drawable.model->meshes) mesh.environmentMap = renderer.skyboxTexture;
        // A caster beyond the reach can only darken what the light no longer lights; skinned meshes move
        // away from their bounds, so they are always drawn.
        if (drawable.model->boneCount == 0 && std::isfinite(reach))
            drawReachableMeshes(*drawable.model, shader, world, *context.light, reach);
        else
            drawable.model->draw(shader, drawable.animationTime, 0);
    });
    glBindVertexArray(0);
}

void initShadows(Renderer& renderer, Registry& registry) {
    int index = 0;
    forEachLight(registry, [&](Entity, LightSource& light) {
        initShadowTransforms(light, renderer.shadowFramebuffer, index++);
    });
    renderer.shadowsInitialised = true;
}

void renderShadowCasters(Renderer& renderer, Registry& registry, float deltaTime) {
    forEachLight(registry, [&](Entity, LightSource& light) {
        setShadowUniforms(light, *renderer.shadowShader);
        drawShadowCasters(ShadowPassContext{deltaTime, registry, renderer, &light});
    });
}
