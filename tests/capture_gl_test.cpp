// hollowmere-capture: frames of the flight at a fixed rate, and the hand-over to ffmpeg.
#include "support/process.h"
#include "wave_capture.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <cmath>
#include <cstdio>
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

// Seconds of the file's first stream of a kind ("video", "audio"), as ffprobe reads them; -1 without one.
double streamSeconds(const std::string& file, const std::string& kind) {
    const CommandResult probe = runCommand("ffprobe -v error -select_streams " + kind.substr(0, 1) +
                                           " -show_entries stream=duration -of csv=p=0 '" + file + "'");
    double seconds = -1.0;
    if (probe.status != 0 || std::sscanf(probe.output.c_str(), "%lf", &seconds) != 1) return -1.0;
    return seconds;
}

// Power of each 5 ms block, all channels together, of samples in -1..1 at `rate`.
constexpr double BLOCK_SECONDS = 0.005;

std::vector<double> blockPower(const std::vector<float>& samples, int channels, double rate) {
    const double framesPerBlock = rate * BLOCK_SECONDS;
    std::vector<double> power(static_cast<size_t>(samples.size() / channels / framesPerBlock), 0.0);
    for (size_t i = 0; i < samples.size(); ++i) {
        const size_t block = static_cast<size_t>(static_cast<double>(i / channels) / framesPerBlock);
        if (block < power.size()) power[block] += samples[i] * samples[i];
    }
    return power;
}

// Seconds into the recording where the clip's loudness shape fits it best (the highest correlation of the
// two block powers), searched from `from` to `to` seconds: the music and wind under it only add a floor.
double onsetOf(const WaveData& wave, const PcmClip& clip, double from, double to) {
    const std::vector<double> heard = blockPower(wave.samples, wave.channels, wave.rate);
    std::vector<float> clipSamples;
    for (int16_t v : clip.samples) clipSamples.push_back(v / 32768.0f);
    const std::vector<double> own = blockPower(clipSamples, clip.channels, static_cast<double>(clip.rate));
    double best = -2.0;
    double bestAt = -1.0;
    for (size_t at = static_cast<size_t>(from / BLOCK_SECONDS); at <= to / BLOCK_SECONDS; ++at) {
        double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, n = 0;
        for (size_t i = 0; i < own.size() && at + i < heard.size(); ++i, ++n) {
            sx += own[i];
            sy += heard[at + i];
            sxx += own[i] * own[i];
            syy += heard[at + i] * heard[at + i];
            sxy += own[i] * heard[at + i];
        }
        const double r = (n * sxy - sx * sy) / std::sqrt((n * sxx - sx * sx) * (n * syy - sy * sy));
        if (r > best) {
            best = r;
            bestAt = static_cast<double>(at) * BLOCK_SECONDS;
        }
    }
    return bestAt;
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
                                         "' --from 1 --to 1.2 --fps 10 --size 160x120 --no-sound");
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
    // --no-sound: no mix, and none handed to ffmpeg.
    EXPECT_FALSE(std::filesystem::exists(out + "/flight.wav"));
    EXPECT_EQ(args.find("flight.wav"), std::string::npos) << args;
}

TEST(CaptureTool, FromEighteenToTwentyTwoSecondsTheLanternIsTwoSecondsIntoASoundTrackAsLongAsThePictures) {
    const std::string out = makeTempDir("capture_sound_gl") + "/flight";
    const CommandResult run = runCommand(captureTool() + " --out '" + out + "' --from 18 --to 22 --fps 10 --size 160x90");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("frame 41/41 at 22 s"), std::string::npos) << run.output;

    WaveData wave;
    ASSERT_TRUE(readWave(out + "/flight.wav", wave)) << run.output;
    ASSERT_EQ(wave.rate, 48000);
    ASSERT_EQ(wave.channels, 2);
    EXPECT_EQ(wave.frames(), 41u * 4800u) << "41 frames of a tenth of a second";
    PcmClip lantern;
    ASSERT_TRUE(decodeMp3((sourceDir() + "/Resources/lantern.mp3").c_str(), lantern));
    // The lantern's two creaks found over the music and the wind, anywhere from 1 to 3 s in.
    const double onset = onsetOf(wave, lantern, 1.0, 3.0);
    std::printf("lantern onset %.3f s into the sound (2.0 s expected)\n", onset);
    EXPECT_NEAR(onset, 2.0, 0.05);
    // Close to the lantern at 20 s, it stands well above the loops.
    EXPECT_GT(rms(wave, -1, 48000 * 21 / 10, 48000), 3.0 * rms(wave, -1, 0, 48000 * 19 / 10));

    // The MP4 carries it as AAC, as long as its pictures.
    const double video = streamSeconds(out + "/flight.mp4", "video");
    const double audio = streamSeconds(out + "/flight.mp4", "audio");
    ASSERT_GT(video, 0.0) << run.output;
    EXPECT_NEAR(video, 4.1, 0.01);
    EXPECT_NEAR(audio, video, 0.05);
    EXPECT_NE(runCommand("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 '" + out + "/flight.mp4'")
                  .output.find("aac"),
              std::string::npos);
}
