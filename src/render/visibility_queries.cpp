// Visibility queries: the query program's state, the static meshes' queries and the moving casters' boxes.
#include "render/visibility_queries.h"

#include "assets/model.h"
#include "core/gl.h"
#include "render/light_visibility.h"
#include "render/renderer.h"
#include "render/shadow_pass.h"
#include "world/lights.h"
#include "world/pose.h"
#include "world/transform.h"

#include <cmath>

namespace {

// Whether the cube round the caster's bounds could hide it: the light must lie outside that cube, past the
// near plane and the queries' margin, or the cube's faces would not enclose what the light sees of it.
bool queryable(const MovingCaster& caster, const LightSource& light) {
    const float distance = glm::length(caster.bounds.centre - light.mPosition);
    const float margin = VISIBILITY_MARGIN_CONSTANT + VISIBILITY_MARGIN_PER_METRE * distance;
    return distance > caster.bounds.radius * std::sqrt(3.0f) + light.nearPlane + margin;
}

// The query program for one light, with the state of a query: depth tested, nothing written, no culling.
const Shader& beginQueries(Renderer& renderer, const LightSource& light) {
    const Shader& query = *renderer.visibilityShader;
    query.use();
    setShadowUniforms(light, query);
    query.setVec2("queryMargin", glm::vec2(VISIBILITY_MARGIN_CONSTANT, VISIBILITY_MARGIN_PER_METRE));
    glUniform1i(query.location("hasAnimations"), 0);
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    return query;
}

void endQueries(bool culling) {
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    if (culling) glEnable(GL_CULL_FACE);
}

// Every side of a mesh counts for the lookups, and each is widened by the reach of their disc.
void askMeshes(Renderer& renderer, Registry& registry, const Shader& query, const LightSource& light, float reach) {
    LightVisibility& visibility = *renderer.lightVisibility;
    query.setVec2("widening", glm::vec2(VISIBILITY_WIDENING_CONSTANT, VISIBILITY_WIDENING_PER_METRE));
    registry.each<Transform, Drawable>([&](Entity entity, Transform& transform, Drawable& drawable) {
        if (!drawable.model || isSkinned(drawable)) return;
        const glm::mat4 world = worldMatrix(transform, registry);
        query.setMat4("modelMatrix", world);
        for (const Mesh& mesh : drawable.model->meshes) {
            if (!meshWithinReach(mesh, world, light, reach)) continue;
            beginVisibilityQuery(visibility, entity, mesh, light.mLightID);
            glBindVertexArray(mesh.vao);
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mesh.indices.size()), GL_UNSIGNED_INT, nullptr);
            endVisibilityQuery();
        }
    });
    visibility.asked[static_cast<std::size_t>(light.mLightID)] = true;
}

// A caster's own depth changes no texel where the static depth lies nearer, so its box needs no widening.
void askCasters(Renderer& renderer, const Shader& query, const LightSource& light, std::vector<CasterLook>& looks,
                std::size_t& queriesUsed) {
    LightVisibility& visibility = *renderer.lightVisibility;
    query.setVec2("widening", glm::vec2(0.0f));
    for (CasterLook& look : looks) {
        if (!queryable(*look.draw.caster, light)) continue;
        look.query = beginCasterQuery(visibility, queriesUsed++);
        drawVisibilityBox(visibility, query, look.draw.caster->bounds.centre, look.draw.caster->bounds.radius);
        endVisibilityQuery();
    }
}

}  // namespace

void askVisibility(Renderer& renderer, Registry& registry, const LightSource& light, float reach, bool meshes,
                   std::vector<CasterLook>& looks, std::size_t& queriesUsed, bool culling) {
    if (!renderer.lightVisibility) return;
    bool casters = false;
    for (const CasterLook& look : looks) casters = casters || queryable(*look.draw.caster, light);
    if (!meshes && !casters) return;
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
    const Shader& query = beginQueries(renderer, light);
    if (meshes) askMeshes(renderer, registry, query, light, reach);
    if (casters) askCasters(renderer, query, light, looks, queriesUsed);
    endQueries(culling);
}

bool casterSeen(const CasterLook& look) {
    GLuint passed = 1;
    if (look.query) glGetQueryObjectuiv(look.query, GL_QUERY_RESULT, &passed);
    return passed != 0;
}
