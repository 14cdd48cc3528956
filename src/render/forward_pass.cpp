// Forward shading pass: a depth pre-pass, then per-entity uniforms, the light array, the shadow array and
// every mesh lit by the lights that reach it.
#include "render/forward_pass.h"

#include "assets/model.h"
#include "assets/surface.h"
#include "core/gl.h"
#include "core/settings.h"
#include "core/toggles.h"
#include "render/light_uniforms.h"
#include "render/light_visibility.h"
#include "render/pass_timer.h"
#include "render/renderer.h"
#include "render/shadow_pass.h"
#include "world/components.h"
#include "world/lights.h"
#include "world/placement.h"
#include "world/pose.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

// The lights one draw receives: the last created first, at most eight; those own cubes 0 .. 7.
using LightList = std::vector<const LightSource*>;

LightList uploadedLights(Registry& registry) {
    LightList lights;
    for (const FrameLight& light : frameLights(registry).lights)
        if (static_cast<int>(lights.size()) < MAX_LIGHTS) lights.push_back(light.light);
    return lights;
}

void setMaterial(const Shader& shader) {
    shader.setVec3("diffuseColor", DIFFUSE_COLOR);
    shader.setVec3("materialCoefficients", glm::vec3(settings.brightness, DIFFUSE_COEFFICIENT, SPECULAR_COEFFICIENT));
    shader.setFloat("specularAlpha", SPECULAR_ALPHA);
}

// Everything one entity's draws share, on the program in use.
void setEntityUniforms(const ForwardPassContext& context, const Shader& shader, const Drawable& drawable,
                       const glm::mat4& world, const LightList& lights) {
    setMaterial(shader);
    shader.setMat4("modelMatrix", world);
    shader.setMat4("viewMatrix", context.view);
    shader.setMat4("projectionMatrix", context.projection);
    shader.setVec3("camera_world", context.cameraPosition);
    shader.setInt("shadows", shadowsEnabled ? 1 : 0);
    shader.setInt("environment_mapping", drawable.environmentMapping ? 1 : 0);
    shader.setInt("normal_mapping", normalMappingEnabled ? 1 : 0);
    for (std::size_t i = 0; i < lights.size(); ++i) setLightUniforms(*lights[i], shader, static_cast<int>(i));
    glActiveTexture(GL_TEXTURE0 + SHADOW_ARRAY_UNIT);
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, context.renderer.shadowMapArray);
    shader.setInt("shadowMapArray", SHADOW_ARRAY_UNIT);
    shader.setInt("nr_pointlights", static_cast<int>(lights.size()));
}

// The lights whose reach meets the mesh (as the world update found) or whose soft light bends too much across
// its triangles to be interpolated, in the order of the list.
LightList lightsReaching(const Drawable& drawable, std::size_t meshIndex, const LightList& lights) {
    const Placement& placed = drawable.placement;
    const Sphere& bounds = placed.meshBounds[meshIndex];
    const LightSet reached = placed.meshLights[meshIndex];
    const float edge = drawable.model->meshes[meshIndex].longestEdge * placed.scale;
    LightList reaching;
    for (std::size_t i = 0; i < lights.size(); ++i) {
        const bool bends = glm::length(bounds.centre - lights[i]->mPosition) - bounds.radius <=
                           vertexBounceDistance(*lights[i], edge);
        if ((reached & (1u << i)) || bends) reaching.push_back(lights[i]);
    }
    return reaching;
}

// The near lights that may light the mesh directly: all but those whose cube, with shadows on, holds static
// casters that hide the whole mesh from them.
int litNearLights(const LightList& near, std::uint8_t hidden) {
    int lit = 0;
    for (std::size_t i = 0; i < near.size(); ++i) {
        const int cube = near[i]->mLightID;
        const bool hides = shadowsEnabled && cube >= 0 && cube < MAX_LIGHTS && (hidden & (1u << cube));
        if (!hides) lit |= 1 << i;
    }
    return lit;
}

// nearLight holds the near lights; the vertex stage adds the soft light of the rest of the full list.
void setNearLights(const Shader& shader, const LightList& near, const LightList& all, std::uint8_t hidden) {
    for (std::size_t i = 0; i < near.size(); ++i) setLightArrayElement(*near[i], shader, NEAR_LIGHT_UNIFORMS, static_cast<int>(i));
    glUniform1i(shader.location("nearLitLights"), litNearLights(near, hidden));
    int far = 0;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (std::find(near.begin(), near.end(), all[i]) == near.end()) far |= 1 << i;
    glUniform1i(shader.location("vertexBounceLights"), far);
}

// Lights whose ambient colour is black add nothing through it, and the shader can leave that term out.
bool anyAmbientColour(const LightList& lights) {
    return std::any_of(lights.begin(), lights.end(),
                       [](const LightSource* light) { return light->mColorAmbient != glm::vec3(0.0f); });
}

// SPECULAR_ALPHA as the number of squarings that give it, or -1 when it is no power of two.
constexpr int specularSquarings() {
    int squarings = 0;
    float power = 1.0f;
    while (power < SPECULAR_ALPHA) {
        power *= 2.0f;
        ++squarings;
    }
    return power == SPECULAR_ALPHA ? squarings : -1;
}

// The program for count near lights and the mesh's surface; the material's exponent, fixed here, becomes
// squarings where it can.
Shader lightCountVariant(const Shader& base, int count, bool ambient, Surface surface) {
    std::string defines = "#define LIGHT_COUNT " + std::to_string(count);
    if (surface != Surface::Plain) defines += "\n" + surfaceDefine(surface);
    if (!ambient) defines += "\n#define NO_AMBIENT_COLOUR";
    if (specularSquarings() >= 0) defines += "\n#define SPECULAR_SQUARINGS " + std::to_string(specularSquarings());
    return shaderVariant(base, defines);
}

void drawGeometry(const Mesh& mesh) {
    glBindVertexArray(mesh.vao);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mesh.indices.size()), GL_UNSIGNED_INT, nullptr);
}

// Depth of every drawable, so the shading below runs only for the surface each pixel shows.
void drawDepth(const ForwardPassContext& context) {
    Registry& registry = context.registry;
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    registry.each<Transform, Drawable>([&](Entity, Transform&, Drawable& drawable) {
        if (!drawable.model) return;
        const Shader depth = shaderVariant(drawable.shader, "#define DEPTH_ONLY");
        depth.use();
        depth.setMat4("modelMatrix", drawable.placement.world);
        depth.setMat4("viewMatrix", context.view);
        depth.setMat4("projectionMatrix", context.projection);
        setBoneUniforms(depth, drawable.pose.bones, isSkinned(drawable));
        for (const Mesh& mesh : drawable.model->meshes) drawGeometry(mesh);
    });
    glBindVertexArray(0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

// One entity's meshes, each with the program built for the number of lights that reach it.
void drawLitMeshes(const ForwardPassContext& context, Entity entity, Drawable& drawable, const LightList& lights) {
    const LightVisibility* visibility = context.renderer.lightVisibility.get();
    const glm::mat4& world = drawable.placement.world;
    const bool skinned = isSkinned(drawable);
    std::vector<unsigned int> prepared;  // programs that hold this entity's uniforms
    const bool ambient = anyAmbientColour(lights);
    std::vector<Mesh>& meshes = drawable.model->meshes;
    for (std::size_t i = 0; i < meshes.size() && i < drawable.placement.meshBounds.size(); ++i) {
        Mesh& mesh = meshes[i];
        const LightList reaching = lightsReaching(drawable, i, lights);
        const Shader shader = lightCountVariant(drawable.shader, static_cast<int>(reaching.size()), ambient,
                                                mesh.surface);
        shader.use();
        if (std::find(prepared.begin(), prepared.end(), shader.ID) == prepared.end()) {
            setEntityUniforms(context, shader, drawable, world, lights);
            setBoneUniforms(shader, drawable.pose.bones, skinned);
            prepared.push_back(shader.ID);
        }
        setNearLights(shader, reaching, lights, visibility ? hiddenCubes(*visibility, entity, mesh) : 0);
        mesh.draw(shader, FORWARD_UNIT_BASE);
    }
}

}  // namespace

float vertexBounceDistance(const LightSource& light, float edge) {
    auto peak = [](const glm::vec3& c) { return std::max({c.r, c.g, c.b, 0.0f}); };
    // How strongly the soft light bends: the bounce's share over its falloff, and an ambient colour over
    // the quadratic attenuation that bounds its own bending (none: it is never interpolated).
    float bend = peak(light.mColorDiffuse) * BOUNCE_SHARE / BOUNCE_FALLOFF;
    if (peak(light.mColorAmbient) > 0.0f) {
        if (light.mAttenuationQuadratic <= 0.0f) return std::numeric_limits<float>::infinity();
        bend += peak(light.mColorAmbient) / light.mAttenuationQuadratic;
    }
    const float d4 = edge * edge / 8.0f * 6.0f * bend / VERTEX_BOUNCE_ERROR;
    return std::max(std::sqrt(std::sqrt(d4)), 1.0f / std::sqrt(BOUNCE_FALLOFF));
}

void drawScene(const ForwardPassContext& context) {
    Registry& registry = context.registry;
    const LightList lights = uploadedLights(registry);
    glBindSampler(SHADOW_ARRAY_UNIT, context.renderer.shadowLookupSampler);
    drawDepth(context);
    if (context.renderer.lightVisibility) readVisibility(*context.renderer.lightVisibility);
    // The pre-pass left the nearest depth; equal depth passes.
    glDepthFunc(GL_LEQUAL);
    // Each entity's uniforms go to the light-count programs its meshes draw with; its own program never draws.
    registry.each<Transform, Drawable>([&](Entity entity, Transform&, Drawable& drawable) {
        if (!drawable.model) return;
        for (Mesh& mesh : drawable.model->meshes) mesh.environmentMap = context.renderer.skyboxTexture;
        drawLitMeshes(context, entity, drawable, lights);
        glBindVertexArray(0);
    });
    glDepthFunc(GL_LESS);
    glBindSampler(SHADOW_ARRAY_UNIT, 0);
}

void prepareLightCounts(Renderer& renderer, Registry& registry) {
    const LightList lights = uploadedLights(registry);
    const bool ambient = anyAmbientColour(lights);
    const glm::mat4 still(1.0f);
    const ForwardPassContext context{registry, still, still, glm::vec3(0.0f), renderer};
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.sceneFramebuffer);
    glViewport(0, 0, static_cast<int>(settings.width), static_cast<int>(settings.height));
    glBindSampler(SHADOW_ARRAY_UNIT, renderer.shadowLookupSampler);
    glDepthFunc(GL_LEQUAL);
    // One draw per program: the driver compiles a program once for the state it is drawn in.
    std::vector<unsigned int> drawn;
    registry.each<Transform, Drawable>([&](Entity, Transform&, Drawable& drawable) {
        if (!isSkinned(drawable)) return;
        const glm::mat4& world = drawable.placement.world;
        for (std::size_t count = 0; count <= lights.size(); ++count) {
            const LightList some(lights.begin(), lights.begin() + static_cast<std::ptrdiff_t>(count));
            for (Mesh& mesh : drawable.model->meshes) {
                const Shader shader =
                    lightCountVariant(drawable.shader, static_cast<int>(count), ambient, mesh.surface);
                if (std::find(drawn.begin(), drawn.end(), shader.ID) != drawn.end()) continue;
                drawn.push_back(shader.ID);
                shader.use();
                setEntityUniforms(context, shader, drawable, world, lights);
                setBoneUniforms(shader, drawable.pose.bones, true);
                setNearLights(shader, some, lights, 0);
                mesh.draw(shader, FORWARD_UNIT_BASE);
            }
        }
    });
    glBindVertexArray(0);
    glDepthFunc(GL_LESS);
    glBindSampler(SHADOW_ARRAY_UNIT, 0);
    // Each frame's scene pass starts from a cleared target.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void scenePass(Renderer& renderer, Registry& registry, const glm::mat4& view, const glm::mat4& projection,
               const glm::vec3& cameraPosition, int polygonMode) {
    glPolygonMode(GL_FRONT_AND_BACK, static_cast<GLenum>(polygonMode));
    beginPass(renderer.passTimer, Pass::Scene);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.sceneFramebuffer);
    glViewport(0, 0, static_cast<int>(settings.width), static_cast<int>(settings.height));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawScene(ForwardPassContext{registry, view, projection, cameraPosition, renderer});
    endPass(renderer.passTimer, Pass::Scene);
}
