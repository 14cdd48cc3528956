// The real sound engine, mixed by OpenAL Soft's loopback device: levels, 3D side and distance, lifetimes, bad files.
#include "audio/sound_engine.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <regex>

namespace {

const std::string WIND = sourceDir() + "/Resources/wind.mp3";
const std::string LANTERN = sourceDir() + "/Resources/lantern.mp3";
const std::string GLASS = sourceDir() + "/Resources/glass_breaks.mp3";
constexpr int RATE = 44100;

// An engine that mixes only when asked, so a test hears exactly the frames it renders.
struct Mixer {
    SoundEngine* engine = createLoopbackSoundEngine(RATE);
    std::vector<int16_t> out;  // interleaved stereo
    ~Mixer() { dropSoundEngine(engine); }
    void render(double seconds) { renderSamples(engine, static_cast<int>(seconds * RATE), out); }
    // Root mean square of one channel (-1: both) over frames [from, from + count).
    double rms(int channel, size_t from, size_t count) const {
        double sum = 0.0;
        size_t n = 0;
        for (size_t i = 2 * from; i < 2 * (from + count) && i < out.size(); ++i)
            if (channel < 0 || static_cast<int>(i % 2) == channel) sum += std::pow(out[i] / 32768.0, 2), ++n;
        return n ? std::sqrt(sum / n) : 0.0;
    }
};

double decibels(double ratio) { return 20.0 * std::log10(ratio); }

// A truncated copy of the wind and a file of noise, beside a missing name and an empty file.
struct BrokenFiles {
    std::string dir = makeTempDir("sound-broken");
    std::string truncated = dir + "/wind.mp3", garbage = dir + "/glass_breaks.mp3", missing = dir + "/lantern.mp3";
    BrokenFiles() {
        const std::string wind = readFile(WIND);
        writeFile(truncated, wind.substr(0, wind.size() / 2));
        std::mt19937 random(7);
        std::string noise(40000, '\0');
        for (char& byte : noise) byte = static_cast<char>(random() & 0xff);
        writeFile(garbage, noise);
        writeFile(dir + "/empty.mp3", "");
    }
};

}  // namespace

TEST(SoundEngine, ALoopPlaysAtItsVolumeOnPastItsEndAndThePlayedOutEffectIsReleased) {
    Mixer mix;
    ASSERT_NE(mix.engine, nullptr) << "OpenAL Soft offers no loopback device";
    PcmClip wind, glass;
    ASSERT_TRUE(decodeMp3(WIND.c_str(), wind));
    ASSERT_TRUE(decodeMp3(GLASS.c_str(), glass));
    Sound* loop = play2D(mix.engine, WIND.c_str(), true);
    ASSERT_NE(loop, nullptr);
    setVolume(loop, 0.25f);
    dropSound(loop);
    Sound* once = play3D(mix.engine, GLASS.c_str(), glm::vec3(0, 0, -1), false);
    ASSERT_NE(once, nullptr);
    setVolume(once, 0.0f);  // silent, so the first second is the wind alone
    EXPECT_EQ(trackedSoundCount(mix.engine), 2u);
    mix.render(static_cast<double>(glass.frames()) / glass.rate + 0.2);
    setListenerPosition(mix.engine, glm::vec3(0), glm::vec3(0, 0, -1), glm::vec3(0), glm::vec3(0, 1, 0));
    EXPECT_EQ(trackedSoundCount(mix.engine), 1u) << "the played-out effect is gone, the dropped loop stays";
    for (int c = 0; c < 2; ++c) {
        double file = 0.0;
        for (int f = 0; f < RATE; ++f) file += std::pow(wind.samples[2 * f + c] / 32768.0, 2);
        EXPECT_NEAR(decibels(mix.rms(c, 0, RATE) / (0.25 * std::sqrt(file / RATE))), 0.0, 2.0) << "channel " << c;
    }
    const size_t end = wind.frames();
    mix.render(static_cast<double>(end) / RATE + 0.5 - mix.out.size() / 2.0 / RATE);
    EXPECT_GT(mix.rms(-1, end + RATE / 10, RATE / 4), 0.0) << "the loop goes on past the file's end";
    dropSoundEngine(mix.engine);
    mix.engine = nullptr;
    setVolume(once, 0.5f);  // a handle outliving its engine is harmless
    dropSound(once);
}

TEST(SoundEngine, AnEffectIsHeardOnItsSideAtFullVolumeInsideItsMinimumDistanceAndFadingBeyond) {
    // The listener at (10, 0, 0) looking along look; the lantern at pos with the given minimum distance.
    auto heard = [](const glm::vec3& look, const glm::vec3& pos, float minDistance, int channel) {
        Mixer mix;
        EXPECT_NE(mix.engine, nullptr);
        setListenerPosition(mix.engine, glm::vec3(10, 0, 0), look, glm::vec3(0), glm::vec3(0, 1, 0));
        Sound* sound = play3D(mix.engine, LANTERN.c_str(), pos, false);
        setMinDistance(sound, minDistance);
        dropSound(sound);
        mix.render(0.5);
        return mix.rms(channel, 0, RATE / 2);
    };
    const glm::vec3 north(0, 0, -1), south(0, 0, 1), east(12, 0, 0);
    EXPECT_GT(decibels(heard(north, east, 1, 1) / heard(north, east, 1, 0)), 6.0) << "facing north, east is right";
    EXPECT_GT(decibels(heard(south, east, 1, 0) / heard(south, east, 1, 1)), 6.0) << "facing south, east is left";
    const double near = heard(north, {10, 0, -1}, 3, -1);
    EXPECT_NEAR(decibels(heard(north, {10, 0, -2.9f}, 3, -1) / near), 0.0, 1.0);
    EXPECT_NEAR(decibels(heard(north, {10, 0, -12}, 3, -1) / near), decibels(3.0 / 12.0), 2.0);
}

TEST(SoundEngine, BrokenFilesSayWhyAreNamedOnceAndGiveNoHandle) {
    const BrokenFiles files;
    PcmClip clip, wind;
    ASSERT_TRUE(decodeMp3(WIND.c_str(), wind));
    const struct {
        std::string path, why;
    } cases[] = {{files.missing, "No such file or directory"}, {files.garbage, "no MP3 audio in it"},
                 {files.dir + "/empty.mp3", "no MP3 audio in it"}, {files.truncated, "cut short: "}};
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    for (const auto& c : cases) {
        std::string why;
        EXPECT_FALSE(decodeMp3(c.path.c_str(), clip, &why)) << c.path;
        EXPECT_EQ(clip.frames(), 0u) << c.path;
        EXPECT_TRUE(why.starts_with(c.why)) << c.path << ": " << why;
    }
    {
        Mixer mix;
        ASSERT_NE(mix.engine, nullptr);
        preloadSound(mix.engine, files.garbage.c_str(), true);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(play2D(mix.engine, files.truncated.c_str(), true), nullptr);
            EXPECT_EQ(play3D(mix.engine, files.garbage.c_str(), glm::vec3(0), false), nullptr);
            EXPECT_EQ(play3D(mix.engine, files.missing.c_str(), glm::vec3(0), false), nullptr);
        }
        EXPECT_EQ(trackedSoundCount(mix.engine), 0u);
    }
    // Without an engine (no sound device) every call is harmless and silent.
    EXPECT_EQ(play2D(nullptr, WIND.c_str(), true), nullptr);
    setListenerPosition(nullptr, glm::vec3(0), glm::vec3(0), glm::vec3(0), glm::vec3(0, 1, 0));
    dropSoundEngine(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const std::string lines = testing::internal::GetCapturedStdout();
    // In the order first met; the cut-off count varies with where the last whole frame ends.
    const std::string prefix = "Sound failed to load at path: ";
    const std::regex expected(prefix + files.garbage + " \\(no MP3 audio in it\\)\n" + prefix + files.truncated +
                              " \\(cut short: [0-9]+ of " + std::to_string(wind.frames()) + " samples\\)\n" + prefix +
                              files.missing + " \\(No such file or directory\\)\n");
    EXPECT_TRUE(std::regex_match(lines, expected)) << lines;
}
