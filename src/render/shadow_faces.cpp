// Shadow faces: the one-face program aimed at each face of a live cube in turn, and what is drawn there.
#include "render/shadow_faces.h"

#include "assets/model.h"
#include "core/gl.h"
#include "render/renderer.h"
#include "render/shadow_cache.h"
#include "render/shadow_pass.h"
#include "world/lights.h"
#include "world/pose.h"
#include "world/transform.h"

namespace {

// The one-face program aimed at one face of the light's live cube; the layer framebuffer is bound.
void aimAtFace(Renderer& renderer, const LightSource& light, int face) {
    glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, renderer.shadowMapArray, 0,
                              6 * light.mLightID + face);
    renderer.shadowFaceShader->setMat4("faceMatrix", light.shadowTransforms[static_cast<std::size_t>(face)]);
}

bool hasFace(const LightSource& light, int face) { return face < static_cast<int>(light.shadowTransforms.size()); }

// A still mesh and the faces of a light's cube its bounds fall in.
struct FaceDraw {
    const Mesh* mesh = nullptr;
    glm::mat4 world{1.0f};
    std::uint8_t faces = 0;
};

std::vector<FaceDraw> staticFaceDraws(Registry& registry, const LightSource& light, float reach) {
    std::vector<FaceDraw> draws;
    registry.each<Transform, Drawable>([&](Entity, Transform& transform, Drawable& drawable) {
        if (!drawable.model || isSkinned(drawable)) return;
        const glm::mat4 world = worldMatrix(transform, registry);
        const float scale = largestScale(world);
        for (const Mesh& mesh : drawable.model->meshes) {
            const glm::vec3 centre = glm::vec3(world * glm::vec4(mesh.boundsCentre, 1.0f));
            const std::uint8_t faces = facesReached(light.mPosition, reach, centre, mesh.boundsRadius * scale);
            if (faces) draws.push_back({&mesh, world, faces});
        }
    });
    return draws;
}

}  // namespace

std::vector<MovingCaster> movingCasters(Registry& registry) {
    std::vector<MovingCaster> casters;
    registry.each<Transform, Drawable>([&](Entity, Transform& transform, Drawable& drawable) {
        if (!isSkinned(drawable)) return;
        const glm::mat4 world = worldMatrix(transform, registry);
        const std::vector<Mesh>& meshes = drawable.model->meshes;
        for (std::size_t i = 0; i < meshes.size() && i < drawable.pose.meshBounds.size(); ++i)
            casters.push_back({&drawable, &meshes[i], world, drawable.pose.meshBounds[i]});
    });
    return casters;
}

std::uint8_t casterFaces(const MovingCaster& caster, const LightSource& light, float reach) {
    return facesReached(light.mPosition, reach, caster.bounds.centre, caster.bounds.radius);
}

bool meshWithinReach(const Mesh& mesh, const glm::mat4& world, const LightSource& light, float reach) {
    const glm::vec3 centre = glm::vec3(world * glm::vec4(mesh.boundsCentre, 1.0f));
    return glm::length(centre - light.mPosition) - mesh.boundsRadius * largestScale(world) <= reach;
}

// Face by face: the geometry stage's six copies of every triangle cost the software rasteriser more than six
// draws of the meshes that need them (start-up waits on the still lights' cubes, and the lantern's is drawn
// every frame).
void drawStaticFaces(Renderer& renderer, Registry& registry, const LightSource& light, float reach) {
    const std::vector<FaceDraw> draws = staticFaceDraws(registry, light, reach);
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
}

void drawCasterFaces(Renderer& renderer, const std::vector<CasterFaces>& casters, const LightSource& light) {
    const Shader& shader = *renderer.shadowFaceShader;
    shader.use();
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowCache->layerFramebuffer);
    // The meshes of one drawable share its bones: uploaded once for all of them.
    const Drawable* posed = nullptr;
    for (int face = 0; face < 6 && hasFace(light, face); ++face) {
        bool aimed = false;
        for (const CasterFaces& caster : casters) {
            if (!(caster.faces & (1u << face))) continue;
            if (!aimed) aimAtFace(renderer, light, face);
            aimed = true;
            const Drawable& drawable = *caster.caster->drawable;
            shader.setMat4("modelMatrix", caster.caster->world);
            if (posed != &drawable) setBoneUniforms(shader, drawable.pose.bones, true);
            posed = &drawable;
            caster.caster->mesh->draw(shader, 0);
        }
    }
}

void redrawCube(Renderer& renderer, Registry& registry, const LightSource& light,
                const std::vector<MovingCaster>& casters) {
    const float reach = lightReach(light);
    drawStaticFaces(renderer, registry, light, reach);
    std::vector<CasterFaces> all;
    for (const MovingCaster& caster : casters) all.push_back({&caster, casterFaces(caster, light, reach)});
    drawCasterFaces(renderer, all, light);
}
