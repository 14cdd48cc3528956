// Shadow faces: the one-face program aimed at each face of a live cube in turn, and what is drawn there.
#include "render/shadow_faces.h"

#include "assets/model.h"
#include "core/gl.h"
#include "render/renderer.h"
#include "render/shadow_cache.h"
#include "world/lights.h"
#include "world/pose.h"

namespace {

// The one-face program aimed at one face of the light's live cube; the layer framebuffer is bound.
void aimAtFace(Renderer& renderer, const LightSource& light, int face) {
    glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, renderer.shadowMapArray, 0,
                              6 * light.mLightID + face);
    renderer.shadowFaceShader.setMat4("faceMatrix", light.shadowTransforms[static_cast<std::size_t>(face)]);
}

bool hasFace(const LightSource& light, int face) { return face < static_cast<int>(light.shadowTransforms.size()); }

bool inFace(const FaceDraw& draw, int face) { return draw.faces & (1u << face); }

}  // namespace

bool reaches(const FrameLight& light, const Drawable& drawable, std::size_t meshIndex) {
    const std::vector<LightSet>& sets = drawable.placement.meshLights;
    return light.index < MAX_LIGHTS && meshIndex < sets.size() && (sets[meshIndex] & (1u << light.index));
}

std::vector<FaceDraw> movingCasters(Registry& registry) {
    std::vector<FaceDraw> casters;
    registry.each<Transform, Drawable>([&](Entity, Transform&, Drawable& drawable) {
        if (!isSkinned(drawable)) return;
        const std::vector<Mesh>& meshes = drawable.model->meshes;
        for (std::size_t i = 0; i < meshes.size() && i < drawable.placement.meshBounds.size(); ++i)
            casters.push_back({&drawable, &meshes[i], i, 0, 0});
    });
    return casters;
}

FaceDraw faceDraw(const FaceDraw& mesh, const FrameLight& light) {
    FaceDraw draw = mesh;
    draw.faces = reaches(light, *mesh.drawable, mesh.meshIndex) ? facesReached(light.light->mPosition, mesh.bounds())
                                                                 : 0;
    return draw;
}

// Face by face: the geometry stage's six copies of every triangle cost the software rasteriser more than six
// draws of the meshes that need them (start-up waits on the still lights' cubes, and a moving light's is
// drawn every frame).
void drawShadowCasters(Renderer& renderer, const LightSource& light, const std::vector<FaceDraw>& draws,
                       std::uint8_t cleared) {
    const Shader& shader = renderer.shadowFaceShader;
    shader.use();
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowCache->layerFramebuffer);
    // The meshes of one drawable share its bones: uploaded once for all of them.
    const Drawable* posed = nullptr;
    for (int face = 0; face < 6 && hasFace(light, face); ++face) {
        bool aimed = cleared & (1u << face);
        if (aimed) {
            aimAtFace(renderer, light, face);
            glClear(GL_DEPTH_BUFFER_BIT);
        }
        for (const FaceDraw& draw : draws) {
            if (!inFace(draw, face)) continue;
            if (!aimed) aimAtFace(renderer, light, face);
            aimed = true;
            const Drawable& drawable = *draw.drawable;
            shader.setMat4("modelMatrix", drawable.placement.world);
            if (posed != &drawable) setBoneUniforms(shader, drawable.pose.bones, isSkinned(drawable));
            posed = &drawable;
            draw.mesh->draw(shader, 0);
        }
    }
}

void drawStaticFaces(Renderer& renderer, Registry& registry, const FrameLight& light) {
    std::vector<FaceDraw> draws;
    registry.each<Transform, Drawable>([&](Entity, Transform&, Drawable& drawable) {
        if (!drawable.model || isSkinned(drawable)) return;
        const std::vector<Mesh>& meshes = drawable.model->meshes;
        for (std::size_t i = 0; i < meshes.size() && i < drawable.placement.meshBounds.size(); ++i) {
            const FaceDraw draw = faceDraw({&drawable, &meshes[i], i, 0, 0}, light);
            if (draw.faces) draws.push_back(draw);
        }
    });
    drawShadowCasters(renderer, *light.light, draws, ALL_FACES);
}

void redrawCube(Renderer& renderer, Registry& registry, const FrameLight& light,
                const std::vector<FaceDraw>& casters) {
    drawStaticFaces(renderer, registry, light);
    std::vector<FaceDraw> all;
    for (const FaceDraw& caster : casters) all.push_back(faceDraw(caster, light));
    drawShadowCasters(renderer, *light.light, all, 0);
}
