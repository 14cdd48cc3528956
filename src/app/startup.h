// Start-up: opening the game's window and building the renderer on its context.
#pragma once

#include "render/renderer.h"

// Opens the window and builds every start-up GPU resource; a fatal failure prints, waits and exits.
// visible is false for the tools and tests that render off screen.
void initRenderer(Renderer& renderer, bool visible = true);

// Window half of the start-up: window system, window, context, GLEW, initial GL state.
void openWindow(Renderer& renderer, bool visible);
