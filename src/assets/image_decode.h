// Image decoding off the GL thread: stb_image on worker threads, results in the order asked for.
#pragma once

#include <memory>
#include <string>
#include <vector>

struct PixelsFree {
    void operator()(unsigned char* pixels) const;
};

// One decoded file; pixels is null when the file is missing or not an image.
struct DecodedImage {
    std::string path;
    int width = 0;
    int height = 0;
    int channels = 0;  // as stored in the file, whatever was asked for
    std::unique_ptr<unsigned char, PixelsFree> pixels;
};

// Decodes path to desiredChannels per pixel (0 keeps the file's own); needs no GL context.
DecodedImage decodeImage(const std::string& path, int desiredChannels);

// The same for every path, spread over the machine's cores; element i belongs to paths[i].
std::vector<DecodedImage> decodeImages(const std::vector<std::string>& paths, int desiredChannels);
