// Hollowmere: start-up, the main loop and shutdown.
#include "app/frame_clock.h"
#include "app/offscreen.h"
#include "app/startup.h"
#include "audio/sound_engine.h"
#include "audio/timeline.h"
#include "core/gl.h"
#include "render/flight_prepare.h"
#include "render/frame.h"
#include "render/renderer.h"
#include "world/camera_system.h"
#include "world/registry.h"
#include "world/restart.h"
#include "world/scene.h"

#include <utility>

int main() {
    // Null when no sound device opens: every sound call is then skipped.
    SoundEngine* soundEngine = createSoundEngine();
    Registry registry;
    Renderer renderer;
    // The models load while the window opens.
    SceneImports imports = startSceneImports();
    initRenderer(renderer);
    SceneResources resources = loadSceneResources(std::move(imports));
    createPlayer(resources, registry);
    buildScene(resources, registry);
    // The first frames' one-time work, before the clock starts.
    prepareFlight(renderer, registry);

    AudioState* audio = createAudioState(soundEngine);
    // The flight loops with the player's clip, and the timed effects with it.
    audio->flightLength = flightLength(registry);
    startBackgroundLoops(*audio);
    preloadTimedEffects(*audio);

    FrameClock clock = startFrameClock();
    float deltaTime = 0.0f;
    float elapsedTime = 0.0f;
    while (!glfwWindowShouldClose(renderer.window)) {
        // A restart asked for during the last poll starts the flight over.
        handleRestartRequest(registry, resources, elapsedTime, *audio);
        // The listener takes the camera of the previous frame.
        updateListener(registry, *audio);
        renderFrame(renderer, registry, deltaTime);
        deltaTime = nextFrameStep(clock);
        elapsedTime += deltaTime;
        playTimedEffects(*audio, elapsedTime);
        glfwPollEvents();
    }
    shutdownRenderer(renderer);
    destroyAudioState(audio);
    return 0;
}
