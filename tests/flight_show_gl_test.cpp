// The flight as a viewer sees and hears it: never pitch black, never still, no seam where it loops, and the
// breaking glass a crash over the music.
#include "support/game_run.h"
#include "support/process.h"
#include "wave_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <vector>

namespace {

// What a viewer calls pitch black: every channel below this level.
constexpr float BLACK_LEVEL = 6.0f;

CommandResult capture(const std::string& out, const std::string& args) {
    return runCommand(binaryDir() + "/tools/capture/hollowmere-capture --out '" + out + "' " + args);
}

std::vector<Picture> frames(const std::string& dir) {
    std::vector<Picture> all;
    for (int i = 0;; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%05d.png", i);
        Picture p = readImage(dir + name);
        if (p.rgb.empty()) return all;
        all.push_back(std::move(p));
    }
}

double meanLevel(const Picture& p) { return std::accumulate(p.rgb.begin(), p.rgb.end(), 0.0) / p.rgb.size(); }

double blackShare(const Picture& p) {
    size_t black = 0;
    for (size_t i = 0; i < p.rgb.size(); i += 3)
        black += std::max({p.rgb[i], p.rgb[i + 1], p.rgb[i + 2]}) < BLACK_LEVEL;
    return black / (p.rgb.size() / 3.0);
}

double meanDifference(const Picture& a, const Picture& b) {
    if (a.rgb.size() != b.rgb.size()) return 255.0;
    double sum = 0.0;
    for (size_t i = 0; i < a.rgb.size(); ++i) sum += std::fabs(a.rgb[i] - b.rgb[i]);
    return sum / a.rgb.size();
}

}  // namespace

// One frame every 2 s of the whole flight, 0 s to 64 s.
TEST(FlightShow, EveryFrameIsReadableAndEveryTwoSecondsThePictureMoves) {
    const std::string out = makeTempDir("flight-show") + "/frames";
    const CommandResult run = capture(out, "--fps 0.5 --size 320x180 --no-sound --png");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::vector<Picture> all = frames(out);
    ASSERT_EQ(all.size(), 33u) << run.output;

    std::vector<double> levels;
    for (size_t i = 0; i < all.size(); ++i) {
        const double t = 2.0 * i;
        EXPECT_LE(blackShare(all[i]), 0.15) << t << " s: too much of the frame is pitch black";
        levels.push_back(meanLevel(all[i]));
        if (i == 0) continue;
        EXPECT_GE(meanDifference(all[i - 1], all[i]), 4.0) << "the picture hardly moves from " << t - 2 << " s to " << t << " s";
    }
    std::nth_element(levels.begin(), levels.begin() + levels.size() / 2, levels.end());
    EXPECT_GE(levels[levels.size() / 2], 30.0) << "the median frame is too dark to read";
}

// The loop: the last moment of the flight runs on into its first.
TEST(FlightShow, TheLastFrameOfTheLoopRunsOnIntoTheFirst) {
    const std::string dir = makeTempDir("flight-seam");
    const std::string shot = binaryDir() + "/tools/shot/hollowmere-shot --size 320x180";
    for (const char* t : {"63.9", "0"}) {
        const CommandResult run = runCommand(shot + " --time " + t + " --out " + dir + "/" + t + ".png");
        ASSERT_EQ(run.status, 0) << run.output;
    }
    EXPECT_LE(meanDifference(readImage(dir + "/63.9.png"), readImage(dir + "/0.png")), 3.0);
}

// The glass at 51.45 s, two seconds into this capture, against the music and wind of the two seconds before.
TEST(FlightShow, TheBreakingGlassIsACrashOverTheMusic) {
    const std::string out = makeTempDir("flight-glass") + "/sound";
    const CommandResult run = capture(out, "--from 49.45 --to 52.45 --fps 2 --size 64x36 --wav");
    ASSERT_EQ(run.status, 0) << run.output;
    WaveData wave;
    ASSERT_TRUE(readWave(out + "/flight.wav", wave)) << run.output;
    const int second = wave.rate;
    const double after = rms(wave, -1, 2 * second, second), before = rms(wave, -1, 0, 2 * second);
    ASSERT_GT(before, 0.0) << "no music or wind before the glass";
    EXPECT_GE(20.0 * std::log10(after / before), 10.0) << "the glass is not heard over the music";
}
