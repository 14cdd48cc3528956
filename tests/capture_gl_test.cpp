// hollowmere-capture: frames of the flight at a fixed rate, and the hand-over to ffmpeg.
#include "support/process.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string captureTool() { return binaryDir() + "/tools/capture/hollowmere-capture"; }

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

Image load(const std::string& path) {
    Image image;
    int channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &image.width, &image.height, &channels, 3);
    if (pixels) {
        image.rgb.assign(pixels, pixels + static_cast<std::size_t>(image.width) * image.height * 3);
        stbi_image_free(pixels);
    }
    return image;
}

// Share of pixels within two steps of colour (r, g, b).
float shareOf(const Image& image, int r, int g, int b) {
    std::size_t hits = 0;
    const std::size_t n = image.rgb.size() / 3;
    for (std::size_t i = 0; i < n; ++i)
        if (std::abs(image.rgb[i * 3] - r) <= 2 && std::abs(image.rgb[i * 3 + 1] - g) <= 2 &&
            std::abs(image.rgb[i * 3 + 2] - b) <= 2)
            ++hits;
    return n ? static_cast<float>(hits) / static_cast<float>(n) : 1.0f;
}

}  // namespace

TEST(CaptureTool, WritesFramesOfTheAskedSizeThatShowTheSceneAndHandsThemToFfmpeg) {
    const std::string dir = makeTempDir("capture_gl");
    const std::string out = dir + "/frames";
    // A stand-in ffmpeg first on the PATH: it records its arguments and writes the named output.
    const std::string bin = dir + "/bin";
    std::filesystem::create_directories(bin);
    writeFile(bin + "/ffmpeg", "#!/bin/sh\necho \"$@\" > \"" + dir + "/ffmpeg-args\"\nfor a; do last=$a; done\n"
                               "echo video > \"$last\"\n");
    std::filesystem::permissions(bin + "/ffmpeg", std::filesystem::perms::owner_all);

    const CommandResult run = runCommand("PATH='" + bin + "':\"$PATH\" " + captureTool() + " --out '" + out +
                                         "' --from 1 --to 1.2 --fps 10 --size 160x120");
    ASSERT_EQ(run.status, 0) << run.output;

    std::vector<std::string> frames;
    for (int i = 0; i < 5; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%05d.png", i);
        if (std::filesystem::exists(out + name)) frames.push_back(out + name);
    }
    ASSERT_GE(frames.size(), 2u) << run.output;
    ASSERT_LE(frames.size(), 3u) << run.output;
    std::vector<Image> images;
    for (const std::string& path : frames) {
        images.push_back(load(path));
        const Image& image = images.back();
        ASSERT_EQ(image.width, 160) << path;
        ASSERT_EQ(image.height, 120) << path;
        // Neither the scene's clear colour nor the window's white fills the frame.
        EXPECT_LT(shareOf(image, 26, 51, 77), 0.5f) << path;
        EXPECT_LT(shareOf(image, 255, 255, 255), 0.5f) << path;
    }
    // The flight moves between frames a tenth of a second apart.
    double difference = 0.0;
    for (std::size_t i = 0; i < images[0].rgb.size(); ++i) difference += std::abs(images[0].rgb[i] - images.back().rgb[i]);
    EXPECT_GT(difference / static_cast<double>(images[0].rgb.size()), 0.05);

    const std::string args = readFile(dir + "/ffmpeg-args");
    EXPECT_NE(args.find("-framerate 10 "), std::string::npos) << args;
    EXPECT_NE(args.find(out + "/frame_%05d.png"), std::string::npos) << args;
    EXPECT_NE(args.find(out + "/flight.mp4"), std::string::npos) << args;
    EXPECT_TRUE(std::filesystem::exists(out + "/flight.mp4"));
    EXPECT_NE(run.output.find("wrote " + out + "/flight.mp4"), std::string::npos) << run.output;
}

TEST(CaptureTool, RefusesBadArgumentsBeforeOpeningAWindow) {
    for (const char* arguments : {"", "--fps 10", "--out x --fps 0", "--out x --size 10", "--out x --from 3 --to 2",
                                  "--out x --from -1", "--out x --speed 2", "--out"}) {
        const CommandResult run = runCommand(captureTool() + " " + arguments);
        EXPECT_EQ(run.status, 2) << arguments << ": " << run.output;
        EXPECT_NE(run.output.find("usage: hollowmere-capture"), std::string::npos) << arguments;
    }
}
