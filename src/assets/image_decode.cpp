// Image decoding: stb_image per file, the files shared out among a few threads.
#include "assets/image_decode.h"

#include <stb_image.h>

#include <algorithm>
#include <atomic>
#include <thread>

void PixelsFree::operator()(unsigned char* pixels) const { stbi_image_free(pixels); }

DecodedImage decodeImage(const std::string& path, int desiredChannels) {
    DecodedImage image;
    image.path = path;
    image.pixels.reset(stbi_load(path.c_str(), &image.width, &image.height, &image.channels, desiredChannels));
    return image;
}

std::vector<DecodedImage> decodeImages(const std::vector<std::string>& paths, int desiredChannels) {
    std::vector<DecodedImage> images(paths.size());
    // Each worker takes the next file not yet taken, so a large image does not hold up the rest.
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < paths.size(); i = next++) images[i] = decodeImage(paths[i], desiredChannels);
    };
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < std::min(cores, paths.size()); ++i) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    return images;
}
