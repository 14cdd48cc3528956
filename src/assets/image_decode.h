// Image decoding off the GL thread: stb_image on worker threads, results in the order asked for.
#pragma once

#include <memory>
#include <string>
#include <vector>

struct PixelsFree {
    void operator()(unsigned char* pixels) const;
};

// How an image's smaller levels are averaged: not made here, in the stored values, or in linear light (sRGB
// colour: decoded before averaging, encoded after; alpha stays linear).
enum class MipSpace { None, Stored, Srgb };

// One decoded file; pixels is null when the file is missing or not an image.
struct DecodedImage {
    std::string path;
    int width = 0;
    int height = 0;
    int channels = 0;  // as stored in the file, whatever was asked for
    std::unique_ptr<unsigned char, PixelsFree> pixels;
    MipSpace mipSpace = MipSpace::None;
    std::vector<std::vector<unsigned char>> mips;  // levels 1, 2, ... down to 1 x 1, each half the last
};

// The space a texture's levels average in: sRGB for colour of three or four channels, as the texture stores
// only those as sRGB; the stored values otherwise.
MipSpace mipSpaceFor(bool colour, int channels);

// The image's smaller levels by 2 x 2 box averages, as a texture's mipmaps; none for an empty image. Srgb
// asked of an image with fewer than three channels averages the stored values. Only for images decoded
// with their own channel count.
void addMipChain(DecodedImage& image, MipSpace space);

// Decodes path to desiredChannels per pixel (0 keeps the file's own); needs no GL context.
DecodedImage decodeImage(const std::string& path, int desiredChannels);

// The same for every path, spread over the machine's cores; element i belongs to paths[i] and, where
// mipSpaces names one, gets its mip chain averaged in that space.
std::vector<DecodedImage> decodeImages(const std::vector<std::string>& paths, int desiredChannels,
                                       const std::vector<MipSpace>& mipSpaces = {});
