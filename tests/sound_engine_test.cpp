// The real sound engine, heard through OpenAL Soft's wave backend: volume, 3D side and distance, lifetimes.
#include "audio/sound_engine.h"
#include "support/process.h"
#include "wave_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <random>
#include <regex>
#include <thread>

namespace {

const std::string WIND = sourceDir() + "/Resources/wind.mp3";
const std::string LANTERN = sourceDir() + "/Resources/lantern.mp3";
const std::string GLASS = sourceDir() + "/Resources/glass_breaks.mp3";

// OpenAL Soft reads its configuration once per process, at the first call: point it at the wave file
// before any test runs.
const std::string captureDir = makeTempDir("sound-engine");
const std::string wavPath = captureDir + "/out.wav";
const bool configured = setenv("ALSOFT_CONF", writeWaveConfig(captureDir, wavPath).c_str(), 1) == 0;

void sleepFor(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// Opens an engine, lets play() start sounds on it, records for the given time and returns what was written.
WaveData capture(double seconds, const std::function<void(SoundEngine*)>& play) {
    EXPECT_TRUE(configured);
    SoundEngine* engine = createSoundEngine();
    EXPECT_NE(engine, nullptr) << "the wave backend should open";
    if (!engine) return {};
    play(engine);
    sleepFor(seconds);
    dropSoundEngine(engine);
    WaveData wave;
    EXPECT_TRUE(readWave(wavPath, wave));
    return wave;
}

constexpr size_t RATE = 44100;

// A truncated copy of the wind and a file of noise the size of the glass break, beside a missing name.
struct BrokenFiles {
    std::string dir = makeTempDir("sound-broken");
    std::string truncated = dir + "/wind.mp3";
    std::string garbage = dir + "/glass_breaks.mp3";
    std::string missing = dir + "/lantern.mp3";
    BrokenFiles() {
        const std::string wind = readFile(WIND);
        writeFile(truncated, wind.substr(0, wind.size() / 2));
        std::mt19937 random(7);
        std::string noise(readFile(GLASS).size(), '\0');
        for (char& byte : noise) byte = static_cast<char>(random() & 0xff);
        writeFile(garbage, noise);
    }
};

TEST(SoundDecoding, ShippedFilesDecodeAndBrokenOnesSayWhyWithoutPrinting) {
    PcmClip clip;
    ASSERT_TRUE(decodeMp3(LANTERN.c_str(), clip));
    EXPECT_EQ(clip.channels, 1);
    EXPECT_EQ(clip.rate, 44100);
    EXPECT_GT(clip.frames(), RATE);

    const BrokenFiles files;
    writeFile(files.dir + "/empty.mp3", "");
    const struct {
        std::string path;
        const char* why;
    } cases[] = {
        {files.missing, "No such file or directory"},
        {files.garbage, "no MP3 audio in it"},
        {files.dir + "/empty.mp3", "no MP3 audio in it"},
        {files.truncated, "cut short: "},
    };
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    for (const auto& c : cases) {
        std::string why;
        EXPECT_FALSE(decodeMp3(c.path.c_str(), clip, &why)) << c.path;
        EXPECT_EQ(clip.frames(), 0u) << c.path;
        EXPECT_EQ(why.rfind(c.why, 0), 0u) << c.path << ": " << why;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(SoundDecoding, DownmixAveragesTheChannels) {
    PcmClip clip;
    clip.rate = 44100;
    clip.channels = 2;
    clip.samples = {1000, 3000, -32768, -32768, 32767, -32767};
    downmixToMono(clip);
    EXPECT_EQ(clip.channels, 1);
    EXPECT_EQ(clip.samples, (std::vector<int16_t>{2000, -32768, 0}));
}

TEST(SoundEngineWave, ALoopPlaysAtItsVolumeAndGoesOnAfterItsHandleIsDropped) {
    PcmClip wind;
    ASSERT_TRUE(decodeMp3(WIND.c_str(), wind));
    ASSERT_EQ(wind.channels, 2);
    size_t tracked = 0;
    WaveData wave = capture(1.6, [&](SoundEngine* engine) {
        Sound* sound = play2D(engine, WIND.c_str(), true);
        ASSERT_NE(sound, nullptr);
        setVolume(sound, 0.25f);
        dropSound(sound);
        sleepFor(0.5);
        setListenerPosition(engine, glm::vec3(5.0f, 0.0f, 0.0f), glm::vec3(1.0f, 0.0f, 0.0f), glm::vec3(0.0f),
                            glm::vec3(0.0f, 1.0f, 0.0f));
        tracked = trackedSoundCount(engine);
    });
    EXPECT_EQ(tracked, 1u) << "the engine keeps a looped sound whose handle was dropped";
    size_t onset = firstSoundFrame(wave);
    ASSERT_LT(onset + RATE, wave.frames());
    // The first second, channel by channel, against the file itself at a quarter (moving the listener
    // does not move a 2D sound).
    for (int c = 0; c < 2; ++c) {
        PcmClip channel{wind.rate, 1, {}};
        for (size_t f = 0; f < RATE; ++f) channel.samples.push_back(wind.samples[2 * f + c]);
        double expected = 0.25 * rms(channel, 0, RATE);
        double heard = rms(wave, c, onset, RATE);
        EXPECT_NEAR(decibels(heard / expected), 0.0, 2.0) << "channel " << c;
    }
    EXPECT_GT(rms(wave, -1, onset + RATE, RATE / 4), 0.0) << "still playing after the drop";
}

// A lantern creak at pos with the listener at (10, 0, 0), looking along look.
WaveData lanternHeardFrom(const glm::vec3& look, const glm::vec3& pos, float minDistance) {
    return capture(1.0, [&](SoundEngine* engine) {
        setListenerPosition(engine, glm::vec3(10.0f, 0.0f, 0.0f), look, glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
        Sound* sound = play3D(engine, LANTERN.c_str(), pos, false);
        ASSERT_NE(sound, nullptr);
        setMinDistance(sound, minDistance);
        dropSound(sound);
    });
}

TEST(SoundEngineWave, AnEffectIsHeardOnTheSideWhereItIs) {
    const glm::vec3 atRight(12.0f, 0.0f, 0.0f);  // right of a listener looking along -z
    WaveData facingNorth = lanternHeardFrom(glm::vec3(0.0f, 0.0f, -1.0f), atRight, 1.0f);
    size_t onset = firstSoundFrame(facingNorth);
    double left = rms(facingNorth, 0, onset, RATE / 2);
    double right = rms(facingNorth, 1, onset, RATE / 2);
    EXPECT_GT(right, 0.0);
    EXPECT_GT(decibels(right / left), 6.0) << "left " << left << " right " << right;

    // Turned around, the same place is on the left.
    WaveData facingSouth = lanternHeardFrom(glm::vec3(0.0f, 0.0f, 1.0f), atRight, 1.0f);
    onset = firstSoundFrame(facingSouth);
    left = rms(facingSouth, 0, onset, RATE / 2);
    right = rms(facingSouth, 1, onset, RATE / 2);
    EXPECT_GT(decibels(left / right), 6.0) << "left " << left << " right " << right;
}

TEST(SoundEngineWave, AnEffectKeepsFullVolumeInsideItsMinimumDistanceAndFadesBeyond) {
    auto level = [](float distance) {
        WaveData wave = lanternHeardFrom(glm::vec3(0.0f, 0.0f, -1.0f), glm::vec3(10.0f, 0.0f, -distance), 3.0f);
        size_t onset = firstSoundFrame(wave, 1e-5f);
        return rms(wave, -1, onset, RATE / 2);
    };
    double near = level(1.0f);
    double edge = level(2.9f);
    double far = level(12.0f);
    EXPECT_NEAR(decibels(edge / near), 0.0, 1.0);
    // Inverse distance clamped: 3 / 12 beyond the minimum distance.
    EXPECT_NEAR(decibels(far / near), decibels(3.0 / 12.0), 2.0);
}

TEST(SoundEngineWave, FinishedEffectsAreReleasedAndTheEngineDropStopsEverything) {
    PcmClip glass;
    ASSERT_TRUE(decodeMp3(GLASS.c_str(), glass));
    double length = static_cast<double>(glass.frames()) / glass.rate;
    Sound* held = nullptr;
    WaveData wave = capture(0.3, [&](SoundEngine* engine) {
        Sound* once = play3D(engine, GLASS.c_str(), glm::vec3(0.0f, 0.0f, -1.0f), false);
        ASSERT_NE(once, nullptr);
        dropSound(once);
        held = play2D(engine, WIND.c_str(), true);
        EXPECT_EQ(trackedSoundCount(engine), 2u);
        sleepFor(length + 0.3);
        setListenerPosition(engine, glm::vec3(0.0f), glm::vec3(0.0f, 0.0f, -1.0f), glm::vec3(0.0f),
                            glm::vec3(0.0f, 1.0f, 0.0f));
        EXPECT_EQ(trackedSoundCount(engine), 1u) << "the played-out effect is gone, the loop stays";
    });
    // The caller's handle outlives the engine and is harmless.
    setVolume(held, 0.5f);
    setMinDistance(held, 2.0f);
    dropSound(held);
    double written = static_cast<double>(wave.frames()) / RATE;
    EXPECT_LT(written, length + 0.6 + 0.5) << "nothing is mixed once the engine is dropped";
}

TEST(SoundEngineWave, AMissingOrBrokenFileGivesNoHandleAndIsNamedOnceWithItsReason) {
    const BrokenFiles files;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    capture(0.1, [&](SoundEngine* engine) {
        preloadSound(engine, files.garbage.c_str(), true);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(play2D(engine, files.truncated.c_str(), true), nullptr);
            EXPECT_EQ(play3D(engine, files.garbage.c_str(), glm::vec3(0.0f), false), nullptr);
            EXPECT_EQ(play3D(engine, files.missing.c_str(), glm::vec3(0.0f), false), nullptr);
        }
        EXPECT_EQ(trackedSoundCount(engine), 0u);
    });
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const std::string lines = testing::internal::GetCapturedStdout();
    PcmClip wind;
    ASSERT_TRUE(decodeMp3(WIND.c_str(), wind));
    // In the order they were first met; the cut-off count varies with where the last whole frame ends.
    const std::string prefix = "Sound failed to load at path: ";
    const std::regex expected(prefix + files.garbage + " \\(no MP3 audio in it\\)\n" + prefix + files.truncated +
                              " \\(cut short: [0-9]+ of " + std::to_string(wind.frames()) + " samples\\)\n" +
                              prefix + files.missing + " \\(No such file or directory\\)\n");
    EXPECT_TRUE(std::regex_match(lines, expected)) << lines;
}

TEST(SoundEngineWave, WithoutAnEngineEveryCallIsHarmlessAndSilent) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(play2D(nullptr, WIND.c_str(), true), nullptr);
    EXPECT_EQ(play3D(nullptr, WIND.c_str(), glm::vec3(0.0f), false), nullptr);
    preloadSound(nullptr, "Resources/missing.mp3", true);
    setListenerPosition(nullptr, glm::vec3(0.0f), glm::vec3(0.0f), glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
    setVolume(nullptr, 1.0f);
    setMinDistance(nullptr, 1.0f);
    dropSound(nullptr);
    dropSoundEngine(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
