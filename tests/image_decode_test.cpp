// Image decoding on several threads: the same results as one file after the other, unreadable files kept in place.
#include "assets/image_decode.h"

#include "support/process.h"

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A width x height image whose bytes depend on the seed, so swapped results show.
std::string writeImage(const std::string& dir, const std::string& name, int width, int height, int channels,
                       int seed) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width * height * channels));
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(seed * 31 + i * 7);
    const std::string path = dir + "/" + name;
    EXPECT_NE(stbi_write_png(path.c_str(), width, height, channels, pixels.data(), width * channels), 0);
    return path;
}

void expectSameImage(const DecodedImage& actual, const DecodedImage& expected, int desiredChannels) {
    EXPECT_EQ(actual.path, expected.path);
    ASSERT_EQ(actual.pixels == nullptr, expected.pixels == nullptr) << expected.path;
    if (!expected.pixels) return;
    EXPECT_EQ(actual.width, expected.width);
    EXPECT_EQ(actual.height, expected.height);
    EXPECT_EQ(actual.channels, expected.channels);
    const int stored = desiredChannels ? desiredChannels : expected.channels;
    const std::size_t bytes = static_cast<std::size_t>(expected.width * expected.height * stored);
    EXPECT_EQ(std::memcmp(actual.pixels.get(), expected.pixels.get(), bytes), 0) << expected.path;
}

// More files than cores, of every channel count and size, with a missing file and a non-image among them.
std::vector<std::string> mixedFiles(const std::string& dir) {
    std::vector<std::string> paths;
    for (int i = 0; i < 12; ++i)
        paths.push_back(writeImage(dir, "img" + std::to_string(i) + ".png", 3 + i * 5, 2 + i, 1 + i % 4, i));
    paths.insert(paths.begin() + 3, dir + "/missing.png");
    writeFile(dir + "/text.png", "not an image");
    paths.insert(paths.begin() + 7, dir + "/text.png");
    return paths;
}

TEST(ImageDecode, ThreadedResultsEqualDecodingOneAfterTheOther) {
    const std::vector<std::string> paths = mixedFiles(makeTempDir("decode"));
    for (int desired : {0, 3}) {
        const std::vector<DecodedImage> threaded = decodeImages(paths, desired);
        ASSERT_EQ(threaded.size(), paths.size());
        for (std::size_t i = 0; i < paths.size(); ++i) expectSameImage(threaded[i], decodeImage(paths[i], desired), desired);
    }
}

TEST(ImageDecode, UnreadableFilesComeBackEmptyUnderTheirPath) {
    const std::vector<std::string> paths = mixedFiles(makeTempDir("decode"));
    const std::vector<DecodedImage> images = decodeImages(paths, 0);
    ASSERT_EQ(images.size(), paths.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        EXPECT_EQ(images[i].path, paths[i]);
        const bool unreadable = paths[i].ends_with("missing.png") || paths[i].ends_with("text.png");
        EXPECT_EQ(images[i].pixels == nullptr, unreadable) << paths[i];
    }
}

TEST(ImageDecode, NoFilesNoImages) { EXPECT_TRUE(decodeImages({}, 0).empty()); }

}  // namespace
