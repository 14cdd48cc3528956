// Scene construction from the shipped files.
#include "world/scene.h"

#include "world/components.h"
#include "world/lights.h"
#include "world/transform.h"

#include <future>

SceneImports startSceneImports() {
    SceneImports imports;
    imports.player = std::async(std::launch::async, importModel, PLAYER_MODEL_PATH);
    imports.house = std::async(std::launch::async, importModel, HOUSE_MODEL_PATH);
    imports.candle = std::async(std::launch::async, importModel, CANDLE_MODEL_PATH);
    imports.lantern = std::async(std::launch::async, importModel, LANTERN_MODEL_PATH);
    return imports;
}

SceneResources loadSceneResources(SceneImports imports) {
    SceneResources resources;
    resources.shader = Shader("Resources/shader/vertex.shader", "Resources/shader/fragment.shader", NO_GEOMETRY);
    // The uploads and their messages keep their order here.
    resources.playerModel = std::make_unique<Model>(imports.player.get());
    resources.houseModel = std::make_unique<Model>(imports.house.get());
    resources.candleModel = std::make_unique<Model>(imports.candle.get());
    resources.lanternModel = std::make_unique<Model>(imports.lantern.get());
    return resources;
}

Entity createPlayer(const SceneResources& resources, Registry& registry) {
    Entity player = registry.create();
    registry.emplace<Player>(player);
    registry.emplace<Camera>(player);
    Transform transform;
    transform.position = glm::vec3(0.0f, 0.0f, 3.0f);
    registry.emplace<Transform>(player, transform);
    registry.emplace<Drawable>(player, makeDrawable(resources.playerModel.get(), resources.shader));
    registry.emplace<BoxCollider>(player, BoxCollider{glm::vec3(0.5f, 2.0f, 0.5f)});
    return player;
}

Entity createModelEntity(const SceneResources& resources, Registry& registry, const glm::vec3& angles,
                         Model& model, float tau, float phi, const glm::vec3& attenuation, int sampleCount,
                         bool volumetric) {
    Entity entity = registry.create();
    registry.emplace<Drawable>(entity, makeDrawable(&model, resources.shader));
    Transform transform;
    transform.rotation = rotationFromEuler(angles);
    registry.emplace<Transform>(entity, transform);
    // The angles double as the light offset: every scenery entity is built with zeros.
    emplaceModelLights(model, registry, entity, angles, tau, phi, attenuation, volumetric,
                       static_cast<unsigned int>(sampleCount));
    return entity;
}

void buildScene(const SceneResources& resources, Registry& registry) {
    const glm::vec3 none(0.0f);
    createModelEntity(resources, registry, none, *resources.candleModel, 0.05f, 700.0f, {0.6f, 0.8f, 0.8f}, 20);
    createModelEntity(resources, registry, none, *resources.lanternModel, 0.01f, 100.0f, {0.6f, 0.8f, 0.9f}, 30);
    // The house's lights light the rooms but take no part in the light shafts.
    createModelEntity(resources, registry, none, *resources.houseModel, 0.05f, 50.0f, {0.7f, 0.9f, 0.9f}, 20,
                      false);
}
