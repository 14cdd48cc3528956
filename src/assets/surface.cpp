// Surface: which look a mesh's material asks for, from the file name of its first diffuse map.
#include "assets/surface.h"

namespace {

std::string fileName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

Surface surfaceOf(const std::vector<Texture>& textures) {
    for (const Texture& texture : textures) {
        if (texture.type != TEXTURE_DIFFUSE) continue;
        const std::string name = fileName(texture.path);
        if (startsWith(name, "ghost_")) return Surface::Ghost;
        if (startsWith(name, "window_glass")) return Surface::Glass;
        return Surface::Plain;
    }
    return Surface::Plain;
}

std::string surfaceDefine(Surface surface) {
    switch (surface) {
    case Surface::Ghost: return "#define SURFACE_GHOST";
    case Surface::Glass: return "#define SURFACE_GLASS";
    case Surface::Plain: break;
    }
    return "";
}
