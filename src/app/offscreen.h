// Off-screen game: the game's renderer and scene in a hidden window, for the tools that render the flight.
#pragma once

#include "render/renderer.h"
#include "world/registry.h"
#include "world/scene.h"

#include <vector>

// One finished frame as RGB bytes, bottom row first as GL reads it.
struct FramePixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// Everything main builds at start-up but the sound; owned by one tool for its whole run.
struct OffscreenGame {
    Renderer renderer;
    SceneResources resources;
    Registry registry;
    FramePixels lastFrame;  // the last presented frame, while keepPresentedFrames is on
};

// Sets the window size, opens a hidden window and builds the player and the scenery as the game does.
void openOffscreenGame(OffscreenGame& game, int width, int height);

// The flight at time t seconds: the player's skeleton and camera, and the scenery's animations.
void setFlightTime(Registry& registry, float t);

// Length of the player's flight (its model's chosen clip) in seconds; 0 without one.
float flightLength(Registry& registry);

// While on, every presented frame is read back into game.lastFrame just before its swap.
void keepPresentedFrames(OffscreenGame& game, bool on);
