// Which look the scene pass gives a mesh, from its material's first diffuse map.
#include "assets/surface.h"

#include <gtest/gtest.h>

TEST(Surface, TheGhostsMapsAndTheWindowsGlassHaveTheirOwnLookAndEverythingElseIsPlain) {
    const struct { std::vector<Texture> textures; Surface surface; } cases[] = {
        {{{0, TEXTURE_DIFFUSE, "ghost_cloth_diffuse.png"}, {0, TEXTURE_NORMAL, "ghost_cloth_normal.png"}}, Surface::Glow},
        {{{0, TEXTURE_DIFFUSE, "/abs/path/window_glass_diffuse.png"}}, Surface::Glass},
        // The normal map does not decide; the first diffuse map does.
        {{{0, TEXTURE_NORMAL, "ghost_cloth_normal.png"}, {0, TEXTURE_DIFFUSE, "wax_diffuse.png"}}, Surface::Plain},
        // The name's start, not a folder's name.
        {{{0, TEXTURE_DIFFUSE, "ghost_player/fire_diffuse.png"}}, Surface::Plain},
        {{}, Surface::Plain},
    };
    for (const auto& c : cases) {
        const std::string first = c.textures.empty() ? "(none)" : c.textures.front().path;
        EXPECT_EQ(surfaceOf(c.textures), c.surface) << first;
    }
}
