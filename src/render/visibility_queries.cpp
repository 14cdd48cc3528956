// Visibility queries: the query program's state, the static meshes' queries and the moving casters' boxes.
#include "render/visibility_queries.h"

#include "assets/model.h"
#include "core/gl.h"
#include "core/toggles.h"
#include "render/light_visibility.h"
#include "render/renderer.h"
#include "render/shadow_pass.h"
#include "world/lights.h"
#include "world/pose.h"

#include <algorithm>
#include <cmath>

namespace {

// Whether the cube round the caster's bounds could hide it: the light must lie outside that cube, past the
// near plane and the queries' margin, or the cube's faces would not enclose what the light sees of it.
bool queryable(const FaceDraw& caster, const LightSource& light) {
    const Sphere& bounds = caster.bounds();
    const float distance = glm::length(bounds.centre - light.mPosition);
    const float margin = VISIBILITY_MARGIN_CONSTANT + VISIBILITY_MARGIN_PER_METRE * distance;
    return distance > bounds.radius * std::sqrt(3.0f) + light.nearPlane + margin;
}

// The query program for one light, with the state of a query: depth tested, nothing written, no culling.
const Shader& beginQueries(Renderer& renderer, const LightSource& light) {
    const Shader& query = *renderer.shadowShader;
    query.use();
    setShadowUniforms(light, query);
    query.setVec2("queryMargin", glm::vec2(VISIBILITY_MARGIN_CONSTANT, VISIBILITY_MARGIN_PER_METRE));
    glUniform1i(query.location("hasAnimations"), 0);
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    return query;
}

// Culling back as F2 leaves it.
void endQueries() {
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    if (faceCulling) glEnable(GL_CULL_FACE);
}

// Every side of a mesh counts for the lookups, and each is widened by how far beside it they sample.
void askMeshes(Renderer& renderer, Registry& registry, const Shader& query, const FrameLight& light) {
    LightVisibility& visibility = *renderer.lightVisibility;
    query.setVec2("widening", glm::vec2(VISIBILITY_WIDENING_CONSTANT, VISIBILITY_WIDENING_PER_METRE));
    const int cube = light.light->mLightID;
    registry.each<Transform, Drawable>([&](Entity entity, Transform&, Drawable& drawable) {
        if (!drawable.model || isSkinned(drawable)) return;
        query.setMat4("modelMatrix", drawable.placement.world);
        const std::vector<Mesh>& meshes = drawable.model->meshes;
        for (std::size_t i = 0; i < meshes.size(); ++i) {
            if (!reaches(light, drawable, i)) continue;
            beginVisibilityQuery(visibility, entity, meshes[i], cube);
            glBindVertexArray(meshes[i].vao);
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(meshes[i].indices.size()), GL_UNSIGNED_INT, nullptr);
            endVisibilityQuery();
        }
    });
    visibility.asked[static_cast<std::size_t>(cube)] = true;
}

// A caster's own depth changes no texel where the static depth lies nearer, so its box needs no widening.
void askCasters(Renderer& renderer, const Shader& query, const VisibilityQuestions& questions) {
    LightVisibility& visibility = *renderer.lightVisibility;
    query.setVec2("widening", glm::vec2(0.0f));
    for (FaceDraw& caster : questions.casters) {
        if (!queryable(caster, *questions.light.light)) continue;
        caster.query = beginCasterQuery(visibility, questions.queriesUsed++);
        drawVisibilityBox(visibility, query, caster.bounds().centre, caster.bounds().radius);
        endVisibilityQuery();
    }
}

}  // namespace

void askVisibility(Renderer& renderer, Registry& registry, const VisibilityQuestions& questions) {
    if (!renderer.lightVisibility) return;
    const LightSource& light = *questions.light.light;
    const bool casters = std::any_of(questions.casters.begin(), questions.casters.end(),
                                     [&](const FaceDraw& caster) { return queryable(caster, light); });
    if (!questions.meshes && !casters) return;
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
    const Shader& query = beginQueries(renderer, light);
    if (questions.meshes) askMeshes(renderer, registry, query, questions.light);
    if (casters) askCasters(renderer, query, questions);
    endQueries();
}

bool casterSeen(const FaceDraw& caster) {
    GLuint passed = 1;
    if (caster.query) glGetQueryObjectuiv(caster.query, GL_QUERY_RESULT, &passed);
    return passed != 0;
}
