// Hollowmere: start-up, the main loop and shutdown.
#include "app/frame.h"
#include "app/gl.h"
#include "app/input.h"
#include "app/renderer.h"
#include "world/registry.h"

int main() {
    Registry registry;
    Renderer renderer;
    initRenderer(renderer);

    float previous = static_cast<float>(glfwGetTime());
    float deltaTime = 0.0f;
    float elapsedTime = 0.0f;
    while (!glfwWindowShouldClose(renderer.window)) {
        // A restart asked for during the last poll starts the flight over.
        if (restartRequested) {
            restartRequested = false;
            elapsedTime = 0.0f;
        }
        renderFrame(renderer, registry, deltaTime);
        float now = static_cast<float>(glfwGetTime());
        deltaTime = now - previous;
        elapsedTime += deltaTime;
        glfwPollEvents();
        previous = now;
    }
    shutdownRenderer(renderer);
    return 0;
}
