// Restart: the player made anew and the run's timeline started over.
#pragma once

struct AudioState;
struct Registry;
struct SceneResources;

// Destroys every entity with Transform and Player, then creates the player again.
void restartPlayer(Registry& registry, const SceneResources& resources);

// The main loop's restart step: when a restart was asked for, restart the player, clear the request,
// set elapsedTime to 0 and let both timed sounds play again. True when it restarted.
bool handleRestartRequest(Registry& registry, const SceneResources& resources, float& elapsedTime,
                          AudioState& audio);
