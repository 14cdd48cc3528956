// Point-light shadows: face matrices per light and the caster draws of the layered depth pass.
#include "render/shadow_pass.h"

#include "assets/model.h"
#include "core/gl.h"
#include "render/pass_timer.h"
#include "render/renderer.h"
#include "render/shadow_cache.h"
#include "world/clocks.h"
#include "world/components.h"
#include "world/lights.h"
#include "world/transform.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

struct Sphere {
    glm::vec3 centre{0.0f};
    float radius = 0.0f;
};

// Largest stretch of the matrix's axes, so a mesh's sphere stays round it in the world.
float largestScale(const glm::mat4& world) {
    return std::max({glm::length(glm::vec3(world[0])), glm::length(glm::vec3(world[1])),
                     glm::length(glm::vec3(world[2]))});
}

bool meshWithinReach(const Mesh& mesh, const glm::mat4& world, const LightSource& light, float reach) {
    const glm::vec3 centre = glm::vec3(world * glm::vec4(mesh.boundsCentre, 1.0f));
    return glm::length(centre - light.mPosition) - mesh.boundsRadius * largestScale(world) <= reach;
}

// Static models: only the meshes that come within the light's reach, the same uniforms as a full draw.
void drawReachableMeshes(Model& model, const Shader& shader, const glm::mat4& world, const LightSource& light,
                         float reach) {
    glUniform1i(shader.location("hasAnimations"), 0);
    for (const Mesh& mesh : model.meshes)
        if (meshWithinReach(mesh, world, light, reach)) mesh.draw(shader, 0);
}

// The skinned model as the vertex stage poses it at time: every vertex through its weighted bones.
Sphere posedBounds(Model& model, const glm::mat4& world, float time) {
    std::vector<glm::mat4> bones;
    model.boneTransforms(time, bones);
    glm::vec3 lo(std::numeric_limits<float>::max()), hi(-std::numeric_limits<float>::max());
    std::vector<glm::vec3> points;
    for (const Mesh& mesh : model.meshes) {
        for (const Vertex& v : mesh.vertices) {
            glm::mat4 skin(0.0f);
            float total = 0.0f;
            for (int i = 0; i < MAX_BONE_INFLUENCE; ++i) {
                const int id = v.boneIds[i];
                if (v.boneWeights[i] <= 0.0f || id < 0 || id >= static_cast<int>(bones.size())) continue;
                skin += bones[static_cast<std::size_t>(id)] * v.boneWeights[i];
                total += v.boneWeights[i];
            }
            const glm::mat4 toWorld = total > 0.0f ? world * (skin / total) : world;
            points.push_back(glm::vec3(toWorld * glm::vec4(v.position, 1.0f)));
            lo = glm::min(lo, points.back());
            hi = glm::max(hi, points.back());
        }
    }
    Sphere sphere;
    if (points.empty()) return sphere;
    sphere.centre = 0.5f * (lo + hi);
    for (const glm::vec3& p : points) sphere.radius = std::max(sphere.radius, glm::length(p - sphere.centre));
    return sphere;
}

// A caster whose shape changes from frame to frame (a skinned model) and where it is now.
struct MovingCaster {
    Drawable* drawable = nullptr;
    glm::mat4 world{1.0f};
    Sphere bounds;
};

bool isMoving(const Drawable& drawable) { return drawable.model && drawable.model->boneCount != 0; }

std::vector<MovingCaster> movingCasters(Registry& registry) {
    std::vector<MovingCaster> casters;
    registry.each<Transform, Drawable>([&](Entity, Transform& transform, Drawable& drawable) {
        if (!isMoving(drawable)) return;
        MovingCaster caster{&drawable, worldMatrix(transform, registry), {}};
        caster.bounds = posedBounds(*drawable.model, caster.world, drawable.animationTime);
        casters.push_back(caster);
    });
    return casters;
}

std::uint8_t facesOf(const MovingCaster& caster, const LightSource& light, float reach) {
    return facesReached(light.mPosition, reach, caster.bounds.centre, caster.bounds.radius);
}

void drawCaster(Renderer& renderer, Drawable& drawable, const glm::mat4& world) {
    const Shader& shader = *renderer.shadowShader;
    shader.setMat4("modelMatrix", world);
    for (Mesh& mesh : drawable.model->meshes) mesh.environmentMap = renderer.skyboxTexture;
    drawable.model->draw(shader, drawable.animationTime, 0);
}

// Every static caster within the light's reach, into whichever layered framebuffer is bound.
void drawStaticCasters(Renderer& renderer, Registry& registry, const LightSource& light, float reach) {
    const Shader& shader = *renderer.shadowShader;
    registry.each<Transform, Drawable>([&](Entity, Transform& transform, Drawable& drawable) {
        if (!drawable.model || isMoving(drawable)) return;
        const glm::mat4 world = worldMatrix(transform, registry);
        shader.setMat4("modelMatrix", world);
        for (Mesh& mesh : drawable.model->meshes) mesh.environmentMap = renderer.skyboxTexture;
        if (std::isfinite(reach)) drawReachableMeshes(*drawable.model, shader, world, light, reach);
        else drawable.model->draw(shader, drawable.animationTime, 0);
    });
}

// The faces of the moving casters this light reaches; draws them when draw is set.
std::uint8_t drawMovingCasters(Renderer& renderer, const std::vector<MovingCaster>& casters,
                               const LightSource& light, float reach, bool draw) {
    std::uint8_t all = 0;
    for (const MovingCaster& caster : casters) {
        const std::uint8_t faces = facesOf(caster, light, reach);
        if (faces && draw) drawCaster(renderer, *caster.drawable, caster.world);
        all |= faces;
    }
    return all;
}

// A light that moves: its whole cube from scratch, everything within its reach.
void redrawCube(Renderer& renderer, Registry& registry, const LightSource& light,
                const std::vector<MovingCaster>& casters) {
    ShadowCache& cache = *renderer.shadowCache;
    const float reach = lightReach(light);
    clearFaces(cache, renderer.shadowMapArray, light.mLightID, ALL_FACES);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
    drawStaticCasters(renderer, registry, light, reach);
    drawMovingCasters(renderer, casters, light, reach, true);
}

// A light that stays: the static depth once, straight into the live cube; a face goes to its store before
// a moving caster first draws into it, and comes back from there while moving casters touch it or touched.
void updateCube(Renderer& renderer, Registry& registry, const LightSource& light,
                const std::vector<MovingCaster>& casters) {
    ShadowCache& cache = *renderer.shadowCache;
    const int cube = light.mLightID;
    const std::size_t index = static_cast<std::size_t>(cube);
    const float reach = lightReach(light);
    if (!cache.staticReady[index]) {
        clearFaces(cache, renderer.shadowMapArray, cube, ALL_FACES);
        glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
        drawStaticCasters(renderer, registry, light, reach);
        cache.staticReady[index] = true;
    }
    const std::uint8_t now = drawMovingCasters(renderer, casters, light, reach, false);
    // Faces not yet stored hold the static depth alone: no moving caster has drawn into them.
    const std::uint8_t unstored = static_cast<std::uint8_t>(now & ~cache.storedFaces[index]);
    storeFaces(cache, renderer.shadowMapArray, cube, unstored);
    cache.storedFaces[index] |= unstored;
    std::uint8_t& last = cache.movingFaces[index];
    restoreFaces(cache, renderer.shadowMapArray, cube, static_cast<std::uint8_t>((now | last) & ~unstored));
    last = now;
    if (!now) return;
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
    drawMovingCasters(renderer, casters, light, reach, true);
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
    const float reach = lightReach(*context.light);
    drawStaticCasters(context.renderer, context.registry, *context.light, reach);
    drawMovingCasters(context.renderer, movingCasters(context.registry), *context.light, reach, true);
    glBindVertexArray(0);
}

void initShadows(Renderer& renderer, Registry& registry) {
    int index = 0;
    forEachLight(registry, [&](Entity, LightSource& light) {
        initShadowTransforms(light, renderer.shadowFramebuffer, index++);
    });
    renderer.shadowsInitialised = true;
}

void renderShadowCasters(Renderer& renderer, Registry& registry, float /*deltaTime*/) {
    const std::vector<MovingCaster> casters = movingCasters(registry);
    forEachLight(registry, [&](Entity, LightSource& light) {
        setShadowUniforms(light, *renderer.shadowShader);
        if (!hasShadowCube(light)) return;
        if (light.animated) redrawCube(renderer, registry, light, casters);
        else updateCube(renderer, registry, light, casters);
    });
    glBindVertexArray(0);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
}

void shadowPass(Renderer& renderer, Registry& registry, float deltaTime) {
    beginPass(renderer.passTimer, Pass::Shadow);
    glViewport(0, 0, SHADOW_SIZE, SHADOW_SIZE);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
    glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
    renderer.shadowShader->use();
    animateLights(registry);  // lights on animated nodes follow them; the casters are posed, not advanced
    renderShadowCasters(renderer, registry, deltaTime);
    endPass(renderer.passTimer, Pass::Shadow);
}
