// hollowmere-shot: the tool itself, and the shipped flight it pictures at 10 s and 20 s.
#include "support/process.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Shot {
    int status = -1;
    std::string output;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // top row first

    float luminance(std::size_t i) const {
        return 0.2126f * rgb[i * 3] + 0.7152f * rgb[i * 3 + 1] + 0.0722f * rgb[i * 3 + 2];
    }
    float meanLuminance() const {
        double sum = 0.0;
        const std::size_t n = rgb.size() / 3;
        for (std::size_t i = 0; i < n; ++i) sum += luminance(i);
        return n ? static_cast<float>(sum / static_cast<double>(n)) : 0.0f;
    }
    // Share of pixels within one step of colour c.
    float shareOf(int r, int g, int b) const {
        std::size_t hits = 0;
        const std::size_t n = rgb.size() / 3;
        for (std::size_t i = 0; i < n; ++i)
            if (std::abs(rgb[i * 3] - r) <= 1 && std::abs(rgb[i * 3 + 1] - g) <= 1 && std::abs(rgb[i * 3 + 2] - b) <= 1)
                ++hits;
        return n ? static_cast<float>(hits) / static_cast<float>(n) : 0.0f;
    }
};

Shot takeShot(const std::string& arguments) {
    static const std::string dir = makeTempDir("shot_gl");
    static int count = 0;
    const std::string path = dir + "/shot" + std::to_string(count++) + ".png";
    Shot shot;
    const CommandResult run = runCommand(binaryDir() + "/tools/shot/hollowmere-shot " + arguments + " --out " + path);
    shot.status = run.status;
    shot.output = run.output;
    int channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &shot.width, &shot.height, &channels, 3);
    if (pixels) {
        shot.rgb.assign(pixels, pixels + static_cast<std::size_t>(shot.width) * shot.height * 3);
        stbi_image_free(pixels);
    }
    return shot;
}

bool shippedModelsPresent() {
    for (const char* path : {"Resources/models/ghost_player/player1.fbx", "Resources/models/house/house3.fbx",
                             "Resources/models/candle1/volumetric_floor.fbx", "Resources/models/candle2/lantern.fbx"})
        if (!std::filesystem::exists(path)) return false;
    return true;
}

}  // namespace

TEST(ShotTool, WritesAPngOfTheAskedSize) {
    const Shot shot = takeShot("--time 1 --size 96x54");
    ASSERT_EQ(shot.status, 0) << shot.output;
    EXPECT_EQ(shot.width, 96);
    EXPECT_EQ(shot.height, 54);
    EXPECT_NE(shot.output.find("frame: "), std::string::npos) << shot.output;
}

TEST(ShotTool, TheShippedFlightAt10And20SecondsIsLitShadowedAndNotTheClearColour) {
    if (!shippedModelsPresent()) GTEST_SKIP() << "the shipped models are not in Resources/models yet";
    for (const char* time : {"10", "20"}) {
        const std::string args = std::string("--time ") + time + " --size 320x180";
        const Shot on = takeShot(args);
        ASSERT_EQ(on.status, 0) << on.output;
        ASSERT_EQ(on.rgb.size(), 320u * 180u * 3u);
        // Neither the scene's clear colour nor the window's white fills the picture.
        EXPECT_LT(on.shareOf(26, 51, 77), 0.5f) << time;
        EXPECT_LT(on.shareOf(255, 255, 255), 0.5f) << time;
        // A dark night that is still readable.
        const float mean = on.meanLuminance();
        EXPECT_GT(mean, 8.0f) << time;
        EXPECT_LT(mean, 120.0f) << time;

        // The frame-rate text only when asked for, in the upper right corner and nowhere else.
        if (std::string(time) == "10") {
            const Shot text = takeShot(args + " --overlay");
            ASSERT_EQ(text.rgb.size(), on.rgb.size()) << text.output;
            double inCorner = 0.0, elsewhere = 0.0;
            for (std::size_t i = 0; i < on.rgb.size(); ++i) {
                const std::size_t x = i / 3 % 320, y = i / 3 / 320;
                (x >= 288 && y < 18 ? inCorner : elsewhere) += std::abs(on.rgb[i] - text.rgb[i]);
            }
            EXPECT_GT(inCorner / (32 * 18 * 3), 2.0) << "no frame-rate text with --overlay";
            EXPECT_EQ(elsewhere, 0.0);
        }

        const Shot off = takeShot(args + " --key F4");
        ASSERT_EQ(off.status, 0) << off.output;
        double difference = 0.0;
        for (std::size_t i = 0; i < on.rgb.size(); ++i) difference += std::abs(on.rgb[i] - off.rgb[i]);
        difference /= static_cast<double>(on.rgb.size());
        EXPECT_GT(difference, 0.5) << "shadows off changes nothing at " << time << " s";
        EXPECT_GT(off.meanLuminance(), mean) << time;
    }
}
