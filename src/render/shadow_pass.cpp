// Point-light shadows: face matrices per light and the caster draws of the layered depth pass.
#include "render/shadow_pass.h"

#include "app/gl.h"
#include "app/renderer.h"
#include "assets/model.h"
#include "render/lights.h"
#include "world/components.h"
#include "world/transform.h"

#include <glm/gtc/matrix_transform.hpp>

#include <string>

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
    context.registry.each<Transform, Drawable>([&](Entity, Transform& transform, Drawable& drawable) {
        if (!drawable.model) return;
        shader.setMat4("modelMatrix", worldMatrix(transform, context.registry));
        for (Mesh& mesh : drawable.model->meshes) mesh.environmentMap = renderer.skyboxTexture;
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
