// The audio timeline through a recording engine: the loops at start-up, the lantern and the glass once a loop.
#include "audio/timeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

// The recording engine: every call is logged by name (and path for plays); files in `missing` give no sound.
std::vector<std::string> calls;
std::set<std::string> missing;
char handle;

Sound* record(const char* op, const char* path, bool looped) {
    calls.push_back(std::string(op) + " " + path + (looped ? " looped" : ""));
    return missing.count(path) ? nullptr : reinterpret_cast<Sound*>(&handle);
}

const SoundOps recordingOps = {
    [](SoundEngine*, const char* path, bool looped) { return record("play2D", path, looped); },
    [](SoundEngine*, const char* path, const glm::vec3&, bool looped) { return record("play3D", path, looped); },
    [](Sound*, float volume) { calls.push_back(volume < 0.1f ? "quiet" : "volume"); },
    [](Sound*, float) { calls.push_back("distance"); }, [](Sound*) { calls.push_back("drop"); },
    [](SoundEngine*) { calls.push_back("dropEngine"); },
    [](SoundEngine*, const char* path, bool) { calls.push_back(std::string("preload ") + path); },
};

const std::string LANTERN = "play3D Resources/lantern.mp3";
const std::string GLASS = "play3D Resources/glass_breaks.mp3";
constexpr double FLIGHT = 64.0;  // the shipped player's clip

struct AudioTimeline : ::testing::Test {
    AudioState* audio = createAudioState(nullptr, recordingOps);
    float elapsed = 0.0f;
    void SetUp() override {
        calls.clear();
        missing.clear();
        audio->flightLength = FLIGHT;
    }
    void TearDown() override { destroyAudioState(audio); }
    // The main loop's restart step, as far as the audio goes.
    void restart() {
        elapsed = 0.0f;
        resetTimedEffects(*audio);
    }

    // Turns of the main loop on to `until` seconds (the last step cut short there), summing in f32 as the loop does;
    // returns each effect that started with the elapsed time of its turn.
    std::vector<std::pair<std::string, double>> run(double until, float step) {
        std::vector<std::pair<std::string, double>> heard;
        while (elapsed < until) {
            elapsed = std::fmin(elapsed + step, static_cast<float>(until));
            const size_t before = calls.size();
            playTimedEffects(*audio, elapsed);
            for (size_t i = before; i < calls.size(); ++i)
                if (calls[i].starts_with("play3D")) heard.push_back({calls[i], elapsed});
        }
        return heard;
    }
};

}  // namespace

TEST_F(AudioTimeline, StartUpLoopsMusicThenWindQuietlyAndLetsGoOfBoth) {
    startBackgroundLoops(*audio);
    EXPECT_EQ(calls, (std::vector<std::string>{"play2D Resources/spooky_song2.mp3 looped", "quiet", "drop",
                                               "play2D Resources/wind.mp3 looped", "quiet", "drop"}));
}

TEST_F(AudioTimeline, EveryLoopOfTheFlightHasTheLanternAt20AndTheGlassAt5145OnceEach) {
    for (float step : {1.0f / 60.0f, 1.0f / 7.0f}) {
        restart();
        const auto heard = run(3.0 * FLIGHT, step);
        ASSERT_EQ(heard.size(), 6u) << "step " << step;
        for (size_t i = 0; i < heard.size(); ++i) {
            const bool lantern = i % 2 == 0;
            EXPECT_EQ(heard[i].first, lantern ? LANTERN : GLASS) << "step " << step << ", " << i;
            // The first turn past the moment of loop i / 2.
            const double moment = FLIGHT * static_cast<double>(i / 2) + (lantern ? 20.0 : 51.45);
            EXPECT_GT(heard[i].second, moment) << "step " << step << ", " << i;
            EXPECT_LE(heard[i].second, moment + step + 1e-4) << "step " << step << ", " << i;
        }
    }
    // One long frame past both moments starts both in that turn, the glass first; nothing comes again.
    restart();
    const auto both = run(60.0, 60.0f);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].first, GLASS);
    EXPECT_EQ(run(63.9, 0.1f).size(), 0u);
}

TEST_F(AudioTimeline, ARestartPlaysBothAgainAtTheirMomentsAfterIt) {
    EXPECT_EQ(run(FLIGHT + 30.0, 0.1f).size(), 3u);  // lantern, glass, and the second loop's lantern
    restart();
    EXPECT_TRUE(run(20.0, 0.1f).empty()) << "nothing before 20 s, not even the glass of the old run";
    const auto heard = run(52.0, 0.1f);
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0].first, LANTERN);
    EXPECT_NEAR(heard[0].second, 20.1, 0.05);
    EXPECT_EQ(heard[1].first, GLASS);
    EXPECT_NEAR(heard[1].second, 51.5, 0.05);
}

TEST_F(AudioTimeline, AMissingEffectIsNotTouchedNorRetriedAndTheOtherStillPlays) {
    missing.insert("Resources/lantern.mp3");
    run(30.0, 0.1f);
    EXPECT_EQ(calls, std::vector<std::string>{LANTERN}) << "no volume, distance or drop on a missing handle";
    run(60.0, 0.1f);
    EXPECT_EQ(calls, (std::vector<std::string>{LANTERN, GLASS, "volume", "distance", "drop"}));
}
