// The real sound engine, mixed by OpenAL Soft's loopback device: levels, 3D side and distance, lifetimes.
// Broken sound files are checked where the game meets them, in game_failures_gl_test.
#include "audio/sound_engine.h"
#include "support/process.h"
#include "wave_capture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const std::string WIND = sourceDir() + "/Resources/wind.mp3";
const std::string LANTERN = sourceDir() + "/Resources/lantern.mp3";
const std::string GLASS = sourceDir() + "/Resources/glass_breaks.mp3";
constexpr int RATE = 44100;

// An engine that mixes only when asked, so a test hears exactly the frames it renders.
struct Mixer {
    SoundEngine* engine = createLoopbackSoundEngine(RATE);
    PcmClip out{RATE, 2, {}};
    Mixer() { EXPECT_NE(engine, nullptr) << "OpenAL Soft offers no loopback device"; }
    ~Mixer() { dropSoundEngine(engine); }
    void renderUntil(double t) { renderSamples(engine, static_cast<int>(t * RATE - out.frames()), out.samples); }
};

}  // namespace

TEST(SoundEngine, ALoopPlaysAtItsVolumeOnPastItsEndAndAPlayedOutEffectIsReleased) {
    PcmClip wind, glass;
    ASSERT_TRUE(decodeMp3(WIND.c_str(), wind));
    ASSERT_TRUE(decodeMp3(GLASS.c_str(), glass));
    ASSERT_EQ(wind.channels, 2);
    Mixer mix;
    Sound* loop = play2D(mix.engine, WIND.c_str(), true);
    ASSERT_NE(loop, nullptr);
    setVolume(loop, 0.25f);
    dropSound(loop);
    Sound* once = play3D(mix.engine, GLASS.c_str(), glm::vec3(0, 0, -1), false);
    ASSERT_NE(once, nullptr);
    setVolume(once, 0.0f);  // silent, so what is heard is the wind alone
    EXPECT_EQ(trackedSoundCount(mix.engine), 2u);
    mix.renderUntil(static_cast<double>(glass.frames()) / glass.rate + 0.2);
    setListenerPosition(mix.engine, glm::vec3(0), glm::vec3(0, 0, -1), glm::vec3(0), glm::vec3(0, 1, 0));
    EXPECT_EQ(trackedSoundCount(mix.engine), 1u) << "the played-out effect is gone, the dropped loop stays";
    EXPECT_NEAR(decibels(rms(mix.out, -1, 0, RATE) / (0.25 * rms(wind, -1, 0, RATE))), 0.0, 2.0);
    mix.renderUntil(static_cast<double>(wind.frames()) / RATE + 0.5);
    EXPECT_GT(rms(mix.out, -1, wind.frames() + RATE / 10, RATE / 4), 0.0) << "the loop goes on past the file's end";
    dropSoundEngine(mix.engine);
    mix.engine = nullptr;
    setVolume(once, 0.5f);  // a handle outliving its engine is harmless
    dropSound(once);
}

TEST(SoundEngine, AnEffectIsHeardOnItsSideAtFullVolumeInsideItsMinimumDistanceAndFadingBeyond) {
    // The listener at (10, 0, 0) looking along look; the lantern at pos with the given minimum distance.
    auto heard = [](const glm::vec3& look, const glm::vec3& pos, float minDistance, int channel) {
        Mixer mix;
        setListenerPosition(mix.engine, glm::vec3(10, 0, 0), look, glm::vec3(0), glm::vec3(0, 1, 0));
        Sound* sound = play3D(mix.engine, LANTERN.c_str(), pos, false);
        setMinDistance(sound, minDistance);
        dropSound(sound);
        mix.renderUntil(0.5);
        return rms(mix.out, channel, 0, RATE / 2);
    };
    const glm::vec3 north(0, 0, -1), south(0, 0, 1), east(12, 0, 0);
    EXPECT_GT(decibels(heard(north, east, 1, 1) / heard(north, east, 1, 0)), 6.0) << "facing north, east is right";
    EXPECT_GT(decibels(heard(south, east, 1, 0) / heard(south, east, 1, 1)), 6.0) << "facing south, east is left";
    const double near = heard(north, {10, 0, -1}, 3, -1);
    EXPECT_NEAR(decibels(heard(north, {10, 0, -2.9f}, 3, -1) / near), 0.0, 1.0);
    EXPECT_NEAR(decibels(heard(north, {10, 0, -12}, 3, -1) / near), decibels(3.0 / 12.0), 2.0);
}
