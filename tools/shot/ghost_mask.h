// Ghost mask: where the ghost's own meshes show in the frame just drawn.
#pragma once

#include "app/offscreen.h"

// White where a mesh of the player's ghost (not the window's glass, which shares its file) is the nearest
// surface of the last frame, black elsewhere; the scene target still holds that frame's depth.
FramePixels ghostMask(OffscreenGame& game);
