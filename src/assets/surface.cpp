// Surface: which look a mesh's material asks for, from the file name of its first diffuse map.
#include "assets/surface.h"

namespace {

// The content's naming: a diffuse map whose file name starts so asks for the look.
struct SurfaceMaps {
    const char* prefix;
    Surface surface;
};
constexpr SurfaceMaps SURFACE_MAPS[] = {{"ghost_", Surface::Glow}, {"window_glass", Surface::Glass}};

std::string fileName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Surface surfaceOf(const std::vector<Texture>& textures) {
    for (const Texture& texture : textures) {
        if (texture.type != TEXTURE_DIFFUSE) continue;
        const std::string name = fileName(texture.path);
        for (const SurfaceMaps& maps : SURFACE_MAPS)
            if (name.rfind(maps.prefix, 0) == 0) return maps.surface;
        return Surface::Plain;
    }
    return Surface::Plain;
}

std::string surfaceDefine(Surface surface) {
    switch (surface) {
    case Surface::Glow: return "#define SURFACE_GLOW";
    case Surface::Glass: return "#define SURFACE_GLASS";
    case Surface::Plain: break;
    }
    return "";
}
