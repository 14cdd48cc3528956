// Mipmaps made while decoding: sizes down to 1 x 1, box averages in stored values or in linear light.
#include "assets/image_decode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

// An image of w x h texels of n channels, as stb would hand it over.
DecodedImage imageOf(int w, int h, int n, const std::vector<unsigned char>& texels) {
    DecodedImage image;
    image.width = w;
    image.height = h;
    image.channels = n;
    auto* pixels = static_cast<unsigned char*>(std::malloc(texels.size()));
    std::memcpy(pixels, texels.data(), texels.size());
    image.pixels.reset(pixels);
    return image;
}

}  // namespace

TEST(MipChain, HalvesDownToOneTexelAveragingInTheRightSpace) {
    // space: asked for; got: the space the levels were made in.
    const struct { const char* what; int w, h, n; std::vector<unsigned char> texels; MipSpace space, got;
                   std::vector<std::vector<unsigned char>> levels; } cases[] = {
        {"stored values round to nearest", 2, 2, 1, {0, 1, 1, 0}, MipSpace::Stored, MipSpace::Stored, {{1}}},
        {"black and white in sRGB average in linear light", 2, 1, 3, {0, 0, 0, 255, 255, 255}, MipSpace::Srgb,
         MipSpace::Srgb, {{188, 188, 188}}},
        {"sRGB alpha averages as stored", 2, 1, 4, {0, 0, 0, 0, 255, 255, 255, 255}, MipSpace::Srgb, MipSpace::Srgb,
         {{188, 188, 188, 128}}},
        // Its texture is no sRGB one.
        {"grey asked for sRGB averages as stored", 2, 1, 1, {0, 255}, MipSpace::Srgb, MipSpace::Stored, {{128}}},
        {"an odd last column averages with itself", 3, 1, 1, {10, 20, 90}, MipSpace::Stored, MipSpace::Stored, {{15}}},
        {"4 x 2 gives 2 x 1 then 1 x 1", 4, 2, 1, {0, 4, 8, 12, 0, 4, 8, 12}, MipSpace::Stored, MipSpace::Stored,
         {{2, 10}, {6}}},
        {"a single texel has no smaller level", 1, 1, 1, {7}, MipSpace::Stored, MipSpace::Stored, {}},
        {"none asked for, none made", 2, 2, 1, {0, 1, 1, 0}, MipSpace::None, MipSpace::None, {}},
    };
    for (const auto& c : cases) {
        DecodedImage image = imageOf(c.w, c.h, c.n, c.texels);
        addMipChain(image, c.space);
        EXPECT_EQ(image.mips, c.levels) << c.what;
        EXPECT_EQ(image.mipSpace, c.got) << c.what;
    }
}

// Each file gets levels down to 1 x 1 in the space asked for it; one that does not decode gets none.
TEST(MipChain, DecodingManyFilesGivesEachTheSpaceAskedFor) {
    const std::vector<std::string> paths = {"Resources/models/house/plaster_diffuse.png",
                                            "Resources/models/house/plaster_normal.png",
                                            "Resources/models/house/no_such_image.png"};
    const std::vector<MipSpace> spaces = {MipSpace::Srgb, MipSpace::Stored, MipSpace::Srgb};
    const std::vector<DecodedImage> images = decodeImages(paths, 0, spaces);
    ASSERT_EQ(images.size(), 3u);
    EXPECT_TRUE(!images[2].pixels && images[2].mips.empty()) << paths[2];
    for (int i = 0; i < 2; ++i) {
        const DecodedImage& image = images[i];
        ASSERT_TRUE(image.pixels) << image.path << " is missing";
        int levels = 0;
        for (int size = std::max(image.width, image.height); size > 1; size /= 2) ++levels;
        EXPECT_EQ(static_cast<int>(image.mips.size()), levels) << image.path;
        ASSERT_FALSE(image.mips.empty()) << image.path;
        EXPECT_EQ(image.mips.back().size(), static_cast<std::size_t>(image.channels)) << image.path;
        EXPECT_EQ(image.mipSpace, spaces[i]) << image.path;
    }
}
