// Image decoding: stb_image per file, the files shared out among a few threads.
#include "assets/image_decode.h"

#include <stb_image.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <thread>

void PixelsFree::operator()(unsigned char* pixels) const { stbi_image_free(pixels); }

DecodedImage decodeImage(const std::string& path, int desiredChannels) {
    DecodedImage image;
    image.path = path;
    image.pixels.reset(stbi_load(path.c_str(), &image.width, &image.height, &image.channels, desiredChannels));
    return image;
}

namespace {

// sRGB byte to linear light, and linear light in 1/65535 steps back to the nearest sRGB byte.
struct SrgbTables {
    std::array<float, 256> toLinear{};
    std::vector<unsigned char> toByte;
    static constexpr int STEPS = 65535;

    SrgbTables() : toByte(STEPS + 1) {
        for (int i = 0; i < 256; ++i) {
            const float c = static_cast<float>(i) / 255.0f;
            toLinear[static_cast<std::size_t>(i)] = c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
        }
        for (int i = 0; i <= STEPS; ++i) {
            const float v = static_cast<float>(i) / STEPS;
            const float c = v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f;
            toByte[static_cast<std::size_t>(i)] = static_cast<unsigned char>(std::clamp(c * 255.0f + 0.5f, 0.0f, 255.0f));
        }
    }
};

const SrgbTables& srgbTables() {
    static const SrgbTables tables;
    return tables;
}

// One level half the size of src (w x h, n channels), each texel the mean of the 2 x 2 it covers; an odd
// last row or column is averaged with itself.
std::vector<unsigned char> halfLevel(const unsigned char* src, int w, int h, int n, MipSpace space) {
    const int hw = std::max(1, w / 2), hh = std::max(1, h / 2);
    const SrgbTables& srgb = srgbTables();
    std::vector<unsigned char> dst(static_cast<std::size_t>(hw) * hh * n);
    for (int y = 0; y < hh; ++y) {
        const int y0 = std::min(2 * y, h - 1), y1 = std::min(2 * y + 1, h - 1);
        for (int x = 0; x < hw; ++x) {
            const int x0 = std::min(2 * x, w - 1), x1 = std::min(2 * x + 1, w - 1);
            const unsigned char* corners[4] = {src + (y0 * w + x0) * n, src + (y0 * w + x1) * n,
                                               src + (y1 * w + x0) * n, src + (y1 * w + x1) * n};
            for (int c = 0; c < n; ++c) {
                unsigned char& out = dst[static_cast<std::size_t>((y * hw + x) * n + c)];
                if (space == MipSpace::Srgb && c < 3) {
                    float sum = 0.0f;
                    for (const unsigned char* p : corners) sum += srgb.toLinear[p[c]];
                    out = srgb.toByte[static_cast<std::size_t>(sum * 0.25f * SrgbTables::STEPS + 0.5f)];
                } else {
                    const int sum = corners[0][c] + corners[1][c] + corners[2][c] + corners[3][c];
                    out = static_cast<unsigned char>((sum + 2) / 4);
                }
            }
        }
    }
    return dst;
}

}  // namespace

MipSpace mipSpaceFor(bool colour, int channels) { return colour && channels >= 3 ? MipSpace::Srgb : MipSpace::Stored; }

void addMipChain(DecodedImage& image, MipSpace space) {
    if (space == MipSpace::Srgb) space = mipSpaceFor(true, image.channels);
    image.mips.clear();
    image.mipSpace = space;
    if (!image.pixels || space == MipSpace::None || image.width < 1 || image.height < 1) return;
    int w = image.width, h = image.height;
    const unsigned char* level = image.pixels.get();
    while (w > 1 || h > 1) {
        image.mips.push_back(halfLevel(level, w, h, image.channels, space));
        level = image.mips.back().data();
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
}

std::vector<DecodedImage> decodeImages(const std::vector<std::string>& paths, int desiredChannels,
                                       const std::vector<MipSpace>& mipSpaces) {
    std::vector<DecodedImage> images(paths.size());
    // Each worker takes the next file not yet taken, so a large image does not hold up the rest.
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < paths.size(); i = next++) {
            images[i] = decodeImage(paths[i], desiredChannels);
            if (i < mipSpaces.size() && desiredChannels == 0) addMipChain(images[i], mipSpaces[i]);
        }
    };
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < std::min(cores, paths.size()); ++i) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    return images;
}
