// The audio timeline through a recording engine: loops at start-up, effects at their moments, restarts.
#include "audio/timeline.h"

#include <gtest/gtest.h>
#include <glm/glm.hpp>

#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

struct Call {
    std::string op;
    std::string path;  // play calls
    glm::vec3 position{0.0f};
    float value = 0.0f;  // volume or distance
    bool looped = false;
    int sound = 0;  // which handle the call returned or was given
};

// The recording engine: every call is logged; files in missing have no sound.
std::vector<Call> calls;
std::set<std::string> missing;
char handles[64];

Sound* handleFor(int index) { return reinterpret_cast<Sound*>(&handles[index]); }
int indexOf(Sound* sound) { return static_cast<int>(reinterpret_cast<char*>(sound) - handles); }

Sound* record(const std::string& op, const char* path, const glm::vec3& position, bool looped) {
    Call call{op, path, position, 0.0f, looped, 0};
    if (missing.count(path)) {
        call.sound = -1;
        calls.push_back(call);
        return nullptr;
    }
    call.sound = static_cast<int>(calls.size()) % 64;
    calls.push_back(call);
    return handleFor(call.sound);
}

const SoundOps recordingOps = {
    [](SoundEngine*, const char* path, bool looped) { return record("play2D", path, glm::vec3(0.0f), looped); },
    [](SoundEngine*, const char* path, const glm::vec3& position, bool looped) {
        return record("play3D", path, position, looped);
    },
    [](Sound* sound, float volume) { calls.push_back({"setVolume", "", {}, volume, false, indexOf(sound)}); },
    [](Sound* sound, float distance) { calls.push_back({"setMinDistance", "", {}, distance, false, indexOf(sound)}); },
    [](Sound* sound) { calls.push_back({"dropSound", "", {}, 0.0f, false, indexOf(sound)}); },
    [](SoundEngine*) { calls.push_back({"dropSoundEngine", "", {}, 0.0f, false, 0}); },
    [](SoundEngine*, const char* path, bool is3D) { calls.push_back({"preload", path, {}, 0.0f, is3D, 0}); },
};

constexpr double FLIGHT = 64.0;  // the shipped player's clip

struct AudioTimeline : ::testing::Test {
    AudioState* audio = nullptr;
    void SetUp() override {
        calls.clear();
        missing.clear();
        audio = createAudioState(nullptr, recordingOps);
        audio->flightLength = FLIGHT;
    }
    void TearDown() override { destroyAudioState(audio); }

    std::vector<std::string> plays() const {
        std::vector<std::string> out;
        for (const Call& c : calls)
            if (c.op == "play2D" || c.op == "play3D") out.push_back(c.path);
        return out;
    }
    // Runs turns of the loop up to (and including) the turn at elapsed time `until`, in steps of `step`.
    void runTo(float& elapsed, float until, float step) {
        while (elapsed < until) {
            elapsed = std::fmin(elapsed + step, until);
            playTimedEffects(*audio, elapsed);
        }
    }
};

const std::string MUSIC = "Resources/spooky_song2.mp3";
const std::string WIND = "Resources/wind.mp3";
const std::string GLASS = "Resources/glass_breaks.mp3";
const std::string LANTERN = "Resources/lantern.mp3";

TEST_F(AudioTimeline, LoopsStartMusicThenWindQuietAndLoopedWithTheirHandlesDropped) {
    startBackgroundLoops(*audio);
    ASSERT_EQ(calls.size(), 6u);
    const char* expected[] = {"play2D", "setVolume", "dropSound", "play2D", "setVolume", "dropSound"};
    for (size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i].op, expected[i]) << i;
    EXPECT_EQ(calls[0].path, MUSIC);
    EXPECT_EQ(calls[3].path, WIND);
    for (int i : {0, 3}) {
        EXPECT_TRUE(calls[i].looped);
        EXPECT_FLOAT_EQ(calls[i + 1].value, 0.07f);
        EXPECT_EQ(calls[i + 1].sound, calls[i].sound);
        EXPECT_EQ(calls[i + 2].sound, calls[i].sound);
    }
}

TEST_F(AudioTimeline, LanternStartsOnlyAfterTwentySecondsAndOnce) {
    playTimedEffects(*audio, 20.0f);
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(audio->lanternPlayed);

    playTimedEffects(*audio, std::nextafter(20.0f, 21.0f));
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].op, "play3D");
    EXPECT_EQ(calls[0].path, LANTERN);
    EXPECT_FALSE(calls[0].looped);
    EXPECT_EQ(calls[0].position, glm::vec3(-3.454f, 1.549f, -50.56f));
    EXPECT_EQ(calls[1].op, "setVolume");
    EXPECT_FLOAT_EQ(calls[1].value, 1.0f);
    EXPECT_EQ(calls[2].op, "setMinDistance");
    EXPECT_FLOAT_EQ(calls[2].value, 2.5f);
    EXPECT_EQ(calls[3].op, "dropSound");
    EXPECT_TRUE(audio->lanternPlayed);

    float elapsed = 20.0f;
    runTo(elapsed, 40.0f, 0.05f);
    EXPECT_EQ(calls.size(), 4u) << "the lantern plays once per run";
}

TEST_F(AudioTimeline, GlassCompareIsWidenedToDoubleSoTheFloatNearest5145AlreadyCounts) {
    audio->lanternPlayed = true;
    // 51.45f is 51.4500007..., above 51.45; the float below it is not.
    playTimedEffects(*audio, std::nextafter(51.45f, 0.0f));
    EXPECT_TRUE(calls.empty());
    playTimedEffects(*audio, 51.45f);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].path, GLASS);
    EXPECT_EQ(calls[0].position, glm::vec3(1.6f, 1.0f, -51.15f));
    EXPECT_FLOAT_EQ(calls[1].value, 0.3f);
    EXPECT_FLOAT_EQ(calls[2].value, 3.0f);
    EXPECT_TRUE(audio->glassPlayed);
}

TEST_F(AudioTimeline, AFlightAtFrameRateGivesLanternThenGlassEachInItsFirstTurn) {
    float elapsed = 0.0f;
    float lanternAt = -1.0f;
    float glassAt = -1.0f;
    while (elapsed < 70.0f) {
        elapsed += 1.0f / 30.0f;
        size_t before = calls.size();
        playTimedEffects(*audio, elapsed);
        if (calls.size() > before && calls[before].path == LANTERN) lanternAt = elapsed;
        if (calls.size() > before && calls[before].path == GLASS) glassAt = elapsed;
    }
    EXPECT_EQ(plays(), (std::vector<std::string>{LANTERN, GLASS}));
    EXPECT_GT(lanternAt, 20.0f);
    EXPECT_LE(lanternAt, 20.0f + 1.0f / 30.0f);
    EXPECT_GT(glassAt, 51.45f);
    EXPECT_LE(glassAt, 51.45f + 1.0f / 30.0f);
}

TEST_F(AudioTimeline, OneLongFramePastBothStartsGlassFirstInTheSameTurn) {
    playTimedEffects(*audio, 60.0f);
    EXPECT_EQ(plays(), (std::vector<std::string>{GLASS, LANTERN}));
    ASSERT_EQ(calls.size(), 8u);
    EXPECT_EQ(calls[3].op, "dropSound");
    EXPECT_EQ(calls[4].path, LANTERN);
}

TEST_F(AudioTimeline, ARestartThirtySecondsIntoTheSecondLoopPlaysBothAgainTwentyAnd5145SecondsLater) {
    float elapsed = 0.0f;
    runTo(elapsed, static_cast<float>(FLIGHT) + 30.0f, 0.1f);
    EXPECT_EQ(plays(), (std::vector<std::string>{LANTERN, GLASS, LANTERN}));

    // The restart step of the loop.
    elapsed = 0.0f;
    resetTimedEffects(*audio);
    EXPECT_FALSE(audio->lanternPlayed);
    EXPECT_FALSE(audio->glassPlayed);

    runTo(elapsed, 20.0f, 0.1f);
    EXPECT_EQ(plays().size(), 3u) << "nothing until 20 s after the restart, not even the glass at 51.45 s of the run";
    runTo(elapsed, 20.1f, 0.1f);
    EXPECT_EQ(plays().size(), 4u);
    runTo(elapsed, 51.4f, 0.1f);
    EXPECT_EQ(plays().size(), 4u);
    runTo(elapsed, 51.5f, 0.1f);
    EXPECT_EQ(plays(), (std::vector<std::string>{LANTERN, GLASS, LANTERN, LANTERN, GLASS}));
}

TEST_F(AudioTimeline, EveryLoopOfTheFlightHasTheLanternAndTheGlassOnceOnTheirMoments) {
    // Three loops of frames at 60 and at 7 frames a second, summed in f32 as the main loop does.
    for (float step : {1.0f / 60.0f, 1.0f / 7.0f}) {
        SCOPED_TRACE(step);
        calls.clear();
        resetTimedEffects(*audio);
        std::vector<std::pair<std::string, float>> heard;  // what started, at which elapsed time
        for (float elapsed = 0.0f; elapsed < 3.0f * FLIGHT;) {
            elapsed += step;
            const size_t before = calls.size();
            playTimedEffects(*audio, elapsed);
            for (size_t i = before; i < calls.size(); ++i)
                if (calls[i].op == "play3D") heard.push_back({calls[i].path, elapsed});
        }
        ASSERT_EQ(heard.size(), 6u);
        for (size_t i = 0; i < heard.size(); ++i) {
            const bool lantern = i % 2 == 0;
            EXPECT_EQ(heard[i].first, lantern ? LANTERN : GLASS) << i;
            // The first turn past the moment of loop i / 2.
            const double moment = FLIGHT * static_cast<double>(i / 2) + (lantern ? 20.0 : 51.45);
            EXPECT_GT(heard[i].second, moment) << i;
            EXPECT_LE(heard[i].second, moment + step + 1e-4) << i;
        }
    }
}

TEST_F(AudioTimeline, AMissingEffectIsSilentAndNotRetried) {
    missing.insert(LANTERN);
    float elapsed = 0.0f;
    runTo(elapsed, 30.0f, 0.1f);
    ASSERT_EQ(calls.size(), 1u) << "no volume, distance or drop on a missing handle";
    EXPECT_EQ(calls[0].op, "play3D");
    EXPECT_EQ(calls[0].sound, -1);
    EXPECT_TRUE(audio->lanternPlayed);

    runTo(elapsed, 60.0f, 0.1f);
    EXPECT_EQ(plays(), (std::vector<std::string>{LANTERN, GLASS})) << "the glass still plays";
}

TEST_F(AudioTimeline, ShutdownDropsTheEngineOnce) {
    destroyAudioState(audio);
    audio = nullptr;
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].op, "dropSoundEngine");
}

TEST(AudioWithoutEngine, EveryStepRunsSilentlyWithTheRealOps) {
    AudioState* audio = createAudioState(nullptr);
    EXPECT_EQ(audio->ops, &soundEngineOps);
    testing::internal::CaptureStdout();
    startBackgroundLoops(*audio);
    playTimedEffects(*audio, 60.0f);
    EXPECT_TRUE(audio->glassPlayed);
    EXPECT_TRUE(audio->lanternPlayed);
    resetTimedEffects(*audio);
    destroyAudioState(audio);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
