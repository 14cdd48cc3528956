// The whole game heard through OpenAL Soft's wave backend: the lantern 20 s into the flight, the glass break at
// 51.45 s. libfaketime moves the game's clock ahead to just before each, so the run takes seconds, not a minute.
#include "support/game_run.h"
#include "support/process.h"
#include "wave_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <thread>

namespace {

constexpr size_t RATE = 44100, BLOCK = RATE / 200;  // blocks of 5 ms

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Power of each block of `frames` samples from `from`.
template <typename Sample>
std::vector<double> envelope(size_t from, size_t frames, Sample sample) {
    std::vector<double> power(frames / BLOCK, 0.0);
    for (size_t f = 0; f < power.size() * BLOCK; ++f) power[f / BLOCK] += std::pow(sample(from + f), 2);
    return power;
}

// The clip's first frame in the recording, searched over `span` frames from `from`: where its loudness shape fits
// best (the highest correlation of the two envelopes; the loops under it only add a floor).
size_t onsetOf(const WaveData& wave, const PcmClip& clip, size_t from, size_t span) {
    auto own = envelope(0, clip.frames(), [&](size_t f) { return clip.samples[f * clip.channels] / 32768.0; });
    const auto heard = envelope(from, span + clip.frames(), [&](size_t f) {
        return f < wave.frames() ? wave.samples[f * 2] + wave.samples[f * 2 + 1] : 0.0;
    });
    const double mean = std::accumulate(own.begin(), own.end(), 0.0) / own.size();
    for (double& x : own) x -= mean;  // then the correlation needs no other sums of the clip's
    std::pair<double, size_t> best{-1e300, from};
    for (size_t at = 0; at * BLOCK < span; ++at) {
        double sy = 0, syy = 0, sxy = 0;
        for (size_t i = 0; i < own.size(); ++i) sy += heard[at + i], syy += heard[at + i] * heard[at + i], sxy += own[i] * heard[at + i];
        best = std::max(best, {sxy / std::sqrt(syy - sy * sy / own.size()), from + at * BLOCK});
    }
    return best.second;
}

}  // namespace

TEST(AudioEndToEnd, TheLanternTwentySecondsInAndTheGlassAt51_45) {
    ASSERT_FALSE(faketimeEnv().empty()) << "libfaketime is missing (scripts/setup installs it)";
    PcmClip lantern, glass;
    ASSERT_TRUE(decodeMp3((sourceDir() + "/Resources/lantern.mp3").c_str(), lantern));
    ASSERT_TRUE(decodeMp3((sourceDir() + "/Resources/glass_breaks.mp3").c_str(), glass));
    const std::string dir = makeGameDir("audio-e2e"), wavPath = dir + "/heard.wav", clock = dir + "/clock.rc";
    // A small window keeps turns of the loop short; F5 below takes the volumetric passes out too.
    writeFile(dir + "/Resources/settings.ini", "[window]\nWIDTH=320\nHEIGHT=240\nFULLSCREEN=false\n");
    writeFile(clock, "+0");
    GameRun run(dir, faketimeEnv() + " FAKETIME_TIMESTAMP_FILE=" + clock + " FAKETIME_CACHE_DURATION=1 ALSOFT_CONF=" +
                         writeWaveConfig(dir, wavPath));
    ASSERT_FALSE(run.window.empty()) << "no window within 60 s\n" << gameOutput(run);
    sendKey(run, "F5");
    // The music starts with the flight: from then on the test keeps the flight's time.
    WaveData wave;
    size_t music = 0;
    for (auto start = std::chrono::steady_clock::now();
         (!readWave(wavPath, wave) || (music = firstSoundFrame(wave)) == wave.frames()) && secondsSince(start) < 60;)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_LT(music, wave.frames()) << "no music within 60 s\n" << gameOutput(run);
    const auto start = std::chrono::steady_clock::now();
    // The clock jumps to a second or less before the flight time `land` (the library reads its file once a second)
    // and runs at its pace to `until`; the wave backend writes the skipped time at once.
    for (const auto& [land, until] : {std::pair{19.5, 20.4}, {51.0, 51.9}, {58.0, 57.0}}) {
        writeFile(clock, "+" + std::to_string(static_cast<int>(land - 1.0 - secondsSince(start))));
        for (auto jump = std::chrono::steady_clock::now(); secondsSince(jump) < 30;)
            if (readFile(wavPath).size() >= 44 + 8 * (music + static_cast<size_t>(until * RATE))) break;
            else std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    sendKey(run, "Escape");
    ASSERT_EQ(waitForExit(run, 30.0), 0) << gameOutput(run);

    ASSERT_TRUE(readWave(wavPath, wave));
    ASSERT_EQ(firstSoundFrame(wave), music);
    ASSERT_GE(wave.frames(), music + 56 * RATE) << "under 56 s of flight recorded";
    const struct { const char* name; const PcmClip& clip; double moment; } effects[] = {
        {"lantern", lantern, 20.0}, {"glass", glass, 51.45}};
    for (const auto& e : effects) {
        const size_t from = music + static_cast<size_t>((e.moment - 0.2) * RATE);
        const double seconds = static_cast<double>(onsetOf(wave, e.clip, from, 3 * RATE / 2) - music) / RATE;
        std::printf("%s heard %.3f s after the music started\n", e.name, seconds);
        // The first turn of the loop past the moment: a later start means a turn took over a second.
        EXPECT_GE(seconds, e.moment) << e.name;
        EXPECT_LE(seconds, e.moment + 1.0) << e.name;
    }
}
