// Shadow pass: the order of a frame's lights and cubes, and each light's face matrices.
#include "render/shadow_pass.h"

#include "core/gl.h"
#include "core/toggles.h"
#include "render/light_visibility.h"
#include "render/pass_timer.h"
#include "render/renderer.h"
#include "render/shadow_cache.h"
#include "render/shadow_faces.h"
#include "render/visibility_queries.h"
#include "world/lights.h"
#include "world/placement.h"

#include <glm/gtc/matrix_transform.hpp>

#include <string>
#include <vector>

namespace {

// A still light's work for this frame, between bringing its cube back to the static depth and drawing.
struct StillCube {
    const FrameLight* light = nullptr;
    std::vector<FaceDraw> casters;  // the moving ones within reach, each in the faces it falls in
};

// The static depth alone is what the queries must be asked against, and its meshes are only asked once it
// has stood a frame, so that no frame waits both to draw it and for its answers.
StillCube prepareStillCube(Renderer& renderer, Registry& registry, const FrameLight& light,
                           const std::vector<FaceDraw>& casters, std::size_t& queriesUsed) {
    ShadowCache& cache = *renderer.shadowCache;
    LightVisibility* visibility = renderer.lightVisibility.get();
    const int cube = light.light->mLightID;
    StillCube still{&light, {}};
    const bool redrawn = !staticDepthCurrent(cache, cube, faceCulling);
    if (redrawn) {
        drawStaticFaces(renderer, registry, light);
        staticDepthDrawn(cache, cube, faceCulling);
        if (visibility) forgetVisibility(*visibility, cube);
    }
    restoreMovedFaces(cache, renderer.shadowMapArray, cube);
    for (const FaceDraw& caster : casters) {
        const FaceDraw draw = faceDraw(caster, light);
        if (draw.faces) still.casters.push_back(draw);
    }
    const bool askMeshes = visibility && !redrawn && !visibility->asked[static_cast<std::size_t>(cube)];
    askVisibility(renderer, registry, {light, askMeshes, still.casters, queriesUsed});
    return still;
}

// The moving casters a still light can see, over its static depth.
void drawSeenCasters(Renderer& renderer, const StillCube& still) {
    std::uint8_t faces = 0;
    std::vector<FaceDraw> seen;
    for (const FaceDraw& caster : still.casters) {
        if (!casterSeen(caster)) continue;
        faces |= caster.faces;
        seen.push_back(caster);
    }
    const LightSource& light = *still.light->light;
    keepMovedFaces(*renderer.shadowCache, renderer.shadowMapArray, light.mLightID, faces);
    if (faces) drawShadowCasters(renderer, light, seen, 0);
}

}  // namespace

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

namespace {

const UniformNames FACE_MATRIX_UNIFORMS{[] {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < CUBE_FACES.size(); ++i) names.push_back("cm_mat[" + std::to_string(i) + "]");
    return names;
}};

}  // namespace

void setShadowUniforms(const LightSource& light, const Shader& shadowShader) {
    const std::vector<int>& faces = shadowShader.locations(FACE_MATRIX_UNIFORMS);
    for (std::size_t i = 0; i < faces.size() && i < light.shadowTransforms.size(); ++i)
        glUniformMatrix4fv(faces[i], 1, GL_FALSE, &light.shadowTransforms[i][0][0]);
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

// Every still cube's questions are asked before any answer is read, so the frame waits for them once.
void renderShadowCasters(Renderer& renderer, Registry& registry) {
    const FrameLights& frame = frameLights(registry);
    const std::vector<FaceDraw> casters = movingCasters(registry);
    std::vector<StillCube> still;
    std::size_t queriesUsed = 0;
    for (const FrameLight& light : frame.lights) {
        if (light.light->animated) computeShadowTransforms(*light.light);
        if (hasShadowCube(*light.light) && !light.light->animated)
            still.push_back(prepareStillCube(renderer, registry, light, casters, queriesUsed));
    }
    for (const StillCube& cube : still) drawSeenCasters(renderer, cube);
    for (const FrameLight& light : frame.lights)
        if (hasShadowCube(*light.light) && light.light->animated) redrawCube(renderer, registry, light, casters);
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
