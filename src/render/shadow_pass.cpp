// Shadow pass: the order of a frame's lights and cubes, each light's face matrices and reach.
#include "render/shadow_pass.h"

#include "core/gl.h"
#include "render/light_visibility.h"
#include "render/pass_timer.h"
#include "render/renderer.h"
#include "render/shadow_cache.h"
#include "render/shadow_faces.h"
#include "render/visibility_queries.h"
#include "world/lights.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

// A still light's work for this frame, between bringing its cube back to the static depth and drawing.
struct StillCube {
    const LightSource* light = nullptr;
    float reach = 0.0f;
    std::vector<CasterLook> looks;
};

// A still light's cube back to the static depth alone: drawn straight into the live cube on its first frame
// and whenever culling changed since, otherwise the faces moving casters drew into last frame come back from
// their stores. Then, against that depth, the meshes' visibility (once it has stood a frame, so start-up does
// not wait for it) and whether each moving caster within reach can be seen at all.
StillCube prepareStillCube(Renderer& renderer, Registry& registry, const LightSource& light,
                           const std::vector<MovingCaster>& casters, bool culling, std::size_t& queriesUsed) {
    ShadowCache& cache = *renderer.shadowCache;
    LightVisibility* visibility = renderer.lightVisibility.get();
    const int cube = light.mLightID;
    StillCube still{&light, lightReach(light), {}};
    const bool redrawn = !staticDepthCurrent(cache, cube, culling);
    if (redrawn) {
        drawStaticFaces(renderer, registry, light, still.reach);
        staticDepthDrawn(cache, cube, culling);
        if (visibility) forgetVisibility(*visibility, cube);
    }
    restoreMovedFaces(cache, renderer.shadowMapArray, cube);
    for (const MovingCaster& caster : casters) {
        const std::uint8_t faces = casterFaces(caster, light, still.reach);
        if (faces) still.looks.push_back({{&caster, faces}, 0});
    }
    const bool askMeshes = visibility && !redrawn && !visibility->asked[static_cast<std::size_t>(cube)];
    askVisibility(renderer, registry, light, still.reach, askMeshes, still.looks, queriesUsed, culling);
    return still;
}

// The moving casters a still light can see, over its static depth.
void drawSeenCasters(Renderer& renderer, const StillCube& still) {
    std::uint8_t faces = 0;
    std::vector<CasterFaces> seen;
    for (const CasterLook& look : still.looks) {
        if (!casterSeen(look)) continue;
        faces |= look.draw.faces;
        seen.push_back(look.draw);
    }
    keepMovedFaces(*renderer.shadowCache, renderer.shadowMapArray, still.light->mLightID, faces);
    if (faces) drawCasterFaces(renderer, seen, *still.light);
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
    light.shadowTransforms.clear();
    for (const CubeFace& face : CUBE_FACES) {
        const glm::mat4 view = glm::lookAt(light.mPosition, light.mPosition + face.direction, face.up);
        light.shadowTransforms.push_back(light.shadowProjection * view);
    }
}

void setShadowUniforms(const LightSource& light, const Shader& shadowShader) {
    for (std::size_t i = 0; i < 6 && i < light.shadowTransforms.size(); ++i)
        shadowShader.setMat4("cm_mat[" + std::to_string(i) + "]", light.shadowTransforms[i]);
    shadowShader.setInt("lightID", light.mLightID);
    shadowShader.setVec2("near_far", light.near_far);
    shadowShader.setVec4("lightPos", glm::vec4(light.mPosition, 1.0f));
}

void initShadows(Renderer& renderer, Registry& registry) {
    int index = 0;
    forEachLight(registry, [&](Entity, LightSource& light) {
        initShadowTransforms(light, renderer.shadowFramebuffer, index++);
    });
    renderer.shadowsInitialised = true;
}

// The lights the world update moved aim their cubes anew. Then the still lights: every cube back to its static
// depth and its questions asked, then the answers read (one wait for all) and the moving casters drawn where
// they can be seen. Last, the lights that move redraw their cubes whole.
void renderShadowCasters(Renderer& renderer, Registry& registry) {
    const std::vector<MovingCaster> casters = movingCasters(registry);
    const bool culling = glIsEnabled(GL_CULL_FACE);
    std::vector<StillCube> still;
    std::size_t queriesUsed = 0;
    forEachLight(registry, [&](Entity, LightSource& light) {
        if (light.animated) computeShadowTransforms(light);
        if (hasShadowCube(light) && !light.animated)
            still.push_back(prepareStillCube(renderer, registry, light, casters, culling, queriesUsed));
    });
    for (const StillCube& cube : still) drawSeenCasters(renderer, cube);
    forEachLight(registry, [&](Entity, LightSource& light) {
        if (hasShadowCube(light) && light.animated) redrawCube(renderer, registry, light, casters);
    });
    glBindVertexArray(0);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
}

void shadowPass(Renderer& renderer, Registry& registry) {
    beginPass(renderer.passTimer, Pass::Shadow);
    glViewport(0, 0, SHADOW_SIZE, SHADOW_SIZE);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
    glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
    renderShadowCasters(renderer, registry);
    endPass(renderer.passTimer, Pass::Shadow);
}
