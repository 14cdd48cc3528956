// Surface: the few meshes the scene pass shades by a look of their own, told by their diffuse map's name.
#pragma once

#include "assets/texture.h"

#include <string>
#include <vector>

enum class Surface { Plain, Ghost, Glass };

// The ghost's sheet and eyes (maps named ghost_*) and the window's glass (window_glass*); the rest plain.
Surface surfaceOf(const std::vector<Texture>& textures);

// The line the main program is built with for it ("" for a plain surface).
std::string surfaceDefine(Surface surface);
