// Surface: the few meshes the scene pass shades by a look of their own, told by their diffuse map's name.
#pragma once

#include "assets/texture.h"

#include <string>
#include <vector>

// Glow: lit from within, hardly tinted by the lamps. Glass: the sky seen through it and mirrored in it.
enum class Surface { Plain, Glow, Glass };

// The look the first diffuse map's file name asks for, by the prefixes the content names its maps with.
Surface surfaceOf(const std::vector<Texture>& textures);

// The line the main program is built with for it ("" for a plain surface).
std::string surfaceDefine(Surface surface);
