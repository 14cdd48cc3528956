// Forward shading pass: per-entity uniforms, the light array, the shadow array and the model draw.
#include "render/forward_pass.h"

#include "app/gl.h"
#include "app/input.h"
#include "app/renderer.h"
#include "app/settings.h"
#include "assets/model.h"
#include "render/lights.h"
#include "world/components.h"
#include "world/transform.h"

namespace {

void setMaterial(const Shader& shader) {
    shader.setVec3("diffuseColor", DIFFUSE_COLOR);
    shader.setVec3("materialCoefficients", glm::vec3(settings.brightness, DIFFUSE_COEFFICIENT, SPECULAR_COEFFICIENT));
    shader.setFloat("specularAlpha", SPECULAR_ALPHA);
}

// The last created lights first, as elements 0 .. 7; those are the ones owning cubes 0 .. 7.
int setLights(Registry& registry, const Shader& shader) {
    int n = 0;
    forEachLight(registry, [&](Entity, LightSource& light) {
        if (n < MAX_LIGHTS) setLightUniforms(light, shader, n++);
    });
    return n;
}

}  // namespace

void drawScene(const ForwardPassContext& context) {
    Registry& registry = context.registry;
    Renderer& renderer = context.renderer;
    registry.each<Transform, Drawable>([&](Entity, Transform& transform, Drawable& drawable) {
        const Shader& shader = drawable.shader;
        shader.use();
        setMaterial(shader);
        shader.setMat4("modelMatrix", worldMatrix(transform, registry));
        shader.setMat4("viewMatrix", context.view);
        shader.setMat4("projectionMatrix", context.projection);
        shader.setVec3("camera_world", context.cameraPosition);
        shader.setInt("shadows", shadowsEnabled ? 1 : 0);
        shader.setInt("environment_mapping", drawable.environmentMapping ? 1 : 0);
        shader.setInt("normal_mapping", normalMappingEnabled ? 1 : 0);
        const int lights = setLights(registry, shader);
        glActiveTexture(GL_TEXTURE0 + SHADOW_ARRAY_UNIT);
        glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, renderer.shadowMapArray);
        shader.setInt("shadowMapArray", SHADOW_ARRAY_UNIT);
        shader.setInt("nr_pointlights", lights);
        if (!drawable.model) return;
        for (Mesh& mesh : drawable.model->meshes) mesh.environmentMap = renderer.skyboxTexture;
        drawable.model->draw(shader, drawable.animationTime, FORWARD_UNIT_BASE);
        glBindVertexArray(0);
    });
}
