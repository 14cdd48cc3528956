// Point-light shadows: face matrices per light and the caster draws, layered or one face at a time.
#include "render/shadow_pass.h"

#include "assets/model.h"
#include "core/gl.h"
#include "render/pass_timer.h"
#include "render/light_visibility.h"
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

void drawCaster(const Shader& shader, Drawable& drawable, const glm::mat4& world) {
    shader.setMat4("modelMatrix", world);
    drawable.model->draw(shader, drawable.animationTime, 0);
}

// Every static caster within the light's reach, into whichever layered framebuffer is bound.
void drawStaticCasters(Renderer& renderer, Registry& registry, const LightSource& light, float reach) {
    const Shader& shader = *renderer.shadowShader;
    registry.each<Transform, Drawable>([&](Entity, Transform& transform, Drawable& drawable) {
        if (!drawable.model || isMoving(drawable)) return;
        const glm::mat4 world = worldMatrix(transform, registry);
        shader.setMat4("modelMatrix", world);
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
        if (faces && draw) drawCaster(*renderer.shadowShader, *caster.drawable, caster.world);
        all |= faces;
    }
    return all;
}

// The one-face program aimed at one face of the light's live cube; the layer framebuffer is bound.
void aimAtFace(Renderer& renderer, const LightSource& light, int face) {
    glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, renderer.shadowMapArray, 0,
                              6 * light.mLightID + face);
    renderer.shadowFaceShader->setMat4("faceMatrix", light.shadowTransforms[static_cast<std::size_t>(face)]);
}

bool hasFace(const LightSource& light, int face) { return face < static_cast<int>(light.shadowTransforms.size()); }

// A static mesh and the faces of a light's cube its bounds fall in.
struct FaceDraw {
    Mesh* mesh = nullptr;
    glm::mat4 world{1.0f};
    std::uint8_t faces = 0;
};

// The light's static casters into its live cube, one face at a time, each mesh only into the faces its
// bounds fall in: the geometry stage's six copies of every triangle cost the software rasteriser more than
// six draws of the meshes that need them (start-up waits on the still lights' cubes, and the lantern's is
// drawn every frame).
void drawStaticFaces(Renderer& renderer, Registry& registry, const LightSource& light, float reach) {
    std::vector<FaceDraw> draws;
    registry.each<Transform, Drawable>([&](Entity, Transform& transform, Drawable& drawable) {
        if (!drawable.model || isMoving(drawable)) return;
        const glm::mat4 world = worldMatrix(transform, registry);
        const float scale = largestScale(world);
        for (Mesh& mesh : drawable.model->meshes) {
            const glm::vec3 centre = glm::vec3(world * glm::vec4(mesh.boundsCentre, 1.0f));
            const std::uint8_t faces = facesReached(light.mPosition, reach, centre, mesh.boundsRadius * scale);
            if (faces) draws.push_back({&mesh, world, faces});
        }
    });
    const Shader& shader = *renderer.shadowFaceShader;
    shader.use();
    glUniform1i(shader.location("hasAnimations"), 0);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowCache->layerFramebuffer);
    for (int face = 0; face < 6 && hasFace(light, face); ++face) {
        aimAtFace(renderer, light, face);
        glClear(GL_DEPTH_BUFFER_BIT);
        for (const FaceDraw& draw : draws) {
            if (!(draw.faces & (1u << face))) continue;
            shader.setMat4("modelMatrix", draw.world);
            draw.mesh->draw(shader, 0);
        }
    }
    renderer.shadowShader->use();
}

// A moving caster within a still light's reach: the faces its bounds fall in and, where they were asked,
// the query of whether the static depth leaves any of it to be seen.
struct CasterLook {
    const MovingCaster* caster = nullptr;
    std::uint8_t faces = 0;
    unsigned int query = 0;  // 0: not asked, taken as seen
};

// Moving casters over the light's live cube, each only into the faces it reaches, one face at a time.
void drawCasterFaces(Renderer& renderer, const std::vector<CasterLook>& casters, const LightSource& light) {
    const Shader& shader = *renderer.shadowFaceShader;
    shader.use();
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowCache->layerFramebuffer);
    for (int face = 0; face < 6 && hasFace(light, face); ++face) {
        bool aimed = false;
        for (const CasterLook& look : casters) {
            if (!(look.faces & (1u << face))) continue;
            if (!aimed) aimAtFace(renderer, light, face);
            aimed = true;
            drawCaster(shader, *look.caster->drawable, look.caster->world);
        }
    }
    renderer.shadowShader->use();
}

// A light that moves: its whole cube from scratch, everything within its reach.
void redrawCube(Renderer& renderer, Registry& registry, const LightSource& light,
                const std::vector<MovingCaster>& casters) {
    const float reach = lightReach(light);
    drawStaticFaces(renderer, registry, light, reach);
    std::vector<CasterLook> all;
    for (const MovingCaster& caster : casters) all.push_back({&caster, facesOf(caster, light, reach), 0});
    drawCasterFaces(renderer, all, light);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
}

// A still light's work for this frame, between bringing its cube back to the static depth and drawing.
struct StillCube {
    LightSource* light = nullptr;
    float reach = 0.0f;
    std::vector<CasterLook> looks;
};

// Whether the cube round the caster's bounds could hide it: the light must lie outside that cube, past the
// near plane and the queries' margin, or the cube's faces would not enclose what the light sees of it.
bool queryable(const MovingCaster& caster, const LightSource& light) {
    const float distance = glm::length(caster.bounds.centre - light.mPosition);
    const float margin = VISIBILITY_MARGIN_CONSTANT + VISIBILITY_MARGIN_PER_METRE * distance;
    return distance > caster.bounds.radius * std::sqrt(3.0f) + light.nearPlane + margin;
}

// The query program for one light, with the state of a query: depth tested, nothing written, no culling.
Shader beginQueries(Renderer& renderer, LightSource& light) {
    const Shader query = shaderVariant(*renderer.shadowShader, "#define VISIBILITY_QUERY");
    query.use();
    setShadowUniforms(light, query);
    query.setVec2("queryMargin", glm::vec2(VISIBILITY_MARGIN_CONSTANT, VISIBILITY_MARGIN_PER_METRE));
    glUniform1i(query.location("hasAnimations"), 0);
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    return query;
}

void endQueries(Renderer& renderer, bool culling) {
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    if (culling) glEnable(GL_CULL_FACE);
    renderer.shadowShader->use();
}

// Asks, for each static mesh within the light's reach, whether any of it lies nearer the light than the
// static depth less the lookups' margin; every side of a mesh counts for the lookups.
void askMeshVisibility(Renderer& renderer, Registry& registry, const Shader& query, const LightSource& light,
                       float reach) {
    LightVisibility& visibility = *renderer.lightVisibility;
    registry.each<Transform, Drawable>([&](Entity entity, Transform& transform, Drawable& drawable) {
        if (!drawable.model || isMoving(drawable)) return;
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

// A still light's cube back to the static depth alone: drawn once, on its first frame, straight into the
// live cube; afterwards the faces moving casters drew into last frame come back from their stores. Then,
// against that depth, the meshes' visibility (once, from the second frame, so start-up does not wait for
// it) and whether each moving caster within reach can be seen at all.
StillCube prepareStillCube(Renderer& renderer, Registry& registry, LightSource& light,
                           const std::vector<MovingCaster>& casters, std::size_t& queriesUsed) {
    ShadowCache& cache = *renderer.shadowCache;
    const int cube = light.mLightID;
    const std::size_t index = static_cast<std::size_t>(cube);
    StillCube still{&light, lightReach(light), {}};
    const bool firstFrame = !cache.staticReady[index];
    if (firstFrame) {
        drawStaticFaces(renderer, registry, light, still.reach);
        cache.staticReady[index] = true;
    }
    restoreFaces(cache, renderer.shadowMapArray, cube, cache.movingFaces[index]);
    LightVisibility* visibility = renderer.lightVisibility.get();
    bool askCasters = false;
    for (const MovingCaster& caster : casters) {
        const std::uint8_t faces = facesOf(caster, light, still.reach);
        if (!faces) continue;
        still.looks.push_back({&caster, faces, 0});
        askCasters = askCasters || (visibility && queryable(caster, light));
    }
    const bool askMeshes = visibility && !firstFrame && !visibility->asked[index];
    if (!askMeshes && !askCasters) return still;
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
    const bool culling = glIsEnabled(GL_CULL_FACE);
    const Shader query = beginQueries(renderer, light);
    if (askMeshes) askMeshVisibility(renderer, registry, query, light, still.reach);
    for (CasterLook& look : still.looks) {
        if (!queryable(*look.caster, light)) continue;
        look.query = beginCasterQuery(*visibility, queriesUsed++);
        drawVisibilityBox(*visibility, query, look.caster->bounds.centre, look.caster->bounds.radius);
        endVisibilityQuery();
    }
    endQueries(renderer, culling);
    return still;
}

// The moving casters a still light can see, over its static depth; a face goes to its store before a
// moving caster first draws into it, and the faces drawn into come back from there next frame.
void drawSeenCasters(Renderer& renderer, const StillCube& still) {
    ShadowCache& cache = *renderer.shadowCache;
    const int cube = still.light->mLightID;
    const std::size_t index = static_cast<std::size_t>(cube);
    std::uint8_t now = 0;
    std::vector<CasterLook> seen;
    for (const CasterLook& look : still.looks) {
        GLuint passed = 1;
        if (look.query) glGetQueryObjectuiv(look.query, GL_QUERY_RESULT, &passed);
        if (!passed) continue;
        now |= look.faces;
        seen.push_back(look);
    }
    cache.movingFaces[index] = now;
    if (!now) return;
    // Faces not yet stored hold the static depth alone: no moving caster has drawn into them.
    const std::uint8_t unstored = static_cast<std::uint8_t>(now & ~cache.storedFaces[index]);
    storeFaces(cache, renderer.shadowMapArray, cube, unstored);
    cache.storedFaces[index] |= unstored;
    drawCasterFaces(renderer, seen, *still.light);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
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

// Still lights first: every cube back to its static depth and its questions asked, then the answers read
// (one wait for all) and the moving casters drawn where they can be seen. The lights that move redraw
// their cubes whole.
void renderShadowCasters(Renderer& renderer, Registry& registry, float /*deltaTime*/) {
    const std::vector<MovingCaster> casters = movingCasters(registry);
    std::vector<StillCube> still;
    std::size_t queriesUsed = 0;
    forEachLight(registry, [&](Entity, LightSource& light) {
        setShadowUniforms(light, *renderer.shadowShader);
        if (hasShadowCube(light) && !light.animated)
            still.push_back(prepareStillCube(renderer, registry, light, casters, queriesUsed));
    });
    for (const StillCube& cube : still) drawSeenCasters(renderer, cube);
    forEachLight(registry, [&](Entity, LightSource& light) {
        if (!hasShadowCube(light) || !light.animated) return;
        setShadowUniforms(light, *renderer.shadowShader);
        redrawCube(renderer, registry, light, casters);
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
