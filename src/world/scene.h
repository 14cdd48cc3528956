// Scene construction: the main shader, the four models, the player and the scenery with its lights.
#pragma once

#include "assets/model.h"
#include "core/shader.h"
#include "world/registry.h"

#include <glm/glm.hpp>

#include <future>
#include <memory>

inline constexpr const char* PLAYER_MODEL_PATH = "Resources/models/ghost_player/player1.fbx";
inline constexpr const char* HOUSE_MODEL_PATH = "Resources/models/house/house3.fbx";
inline constexpr const char* CANDLE_MODEL_PATH = "Resources/models/candle1/volumetric_floor.fbx";
inline constexpr const char* LANTERN_MODEL_PATH = "Resources/models/candle2/lantern.fbx";

// Made once at start-up and kept by main for the whole run; entities point into it.
struct SceneResources {
    Shader shader;  // the main program, shared by every Drawable
    std::unique_ptr<Model> playerModel;
    std::unique_ptr<Model> houseModel;
    std::unique_ptr<Model> candleModel;
    std::unique_ptr<Model> lanternModel;
};

// The player, house, candle and lantern files read and their images decoded on threads of their own, so
// that the work goes on while the window opens; no GL context needed.
struct SceneImports {
    std::future<ImportedModel> player, house, candle, lantern;
};
SceneImports startSceneImports();

// Builds the main shader, then the four models from the imports, in that order; needs the GL context.
SceneResources loadSceneResources(SceneImports imports);

// The player: Player, a zeroed Camera, Transform at (0, 0, 3), the ghost's Drawable, BoxCollider.
Entity createPlayer(const SceneResources& resources, Registry& registry);

// One scenery entity at the origin, rotated by angles (radians), with its model's lights attached.
Entity createModelEntity(const SceneResources& resources, Registry& registry, const glm::vec3& angles,
                         Model& model, float tau, float phi, const glm::vec3& attenuation, int sampleCount,
                         bool volumetric = true);

// The candle floor, the lantern and the house, in that order.
void buildScene(const SceneResources& resources, Registry& registry);
