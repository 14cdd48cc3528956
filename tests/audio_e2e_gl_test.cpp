// The whole game heard through OpenAL Soft's wave backend, its clock run four times as fast by libfaketime
// so that a minute of flight takes a quarter of one: the lantern 20 s in, the glass break at 51.45 s.
#include "support/game_run.h"
#include "support/process.h"
#include "wave_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

constexpr size_t RATE = 44100;
constexpr size_t CHUNK = RATE / 10;

// The first frame of the clip in the recording, searched over `span` frames from `from`: where the clip's
// loudest tenth of a second fits best (normalised correlation with both channels summed, since the effect is
// one mono source placed in 3D; the quiet loops under it do not correlate).
size_t onsetOf(const WaveData& wave, const PcmClip& clip, size_t from, size_t span) {
    size_t loudest = 0;
    for (size_t k = 0; k + CHUNK <= clip.frames(); k += CHUNK / 4)
        if (rms(clip, k, CHUNK) > rms(clip, loudest, CHUNK)) loudest = k;
    double best = -1.0;
    size_t onset = 0;
    for (size_t t = from + loudest; t < from + loudest + span && t + CHUNK < wave.frames(); ++t) {
        double cross = 0.0, energy = 1e-12;
        for (size_t i = 0; i < CHUNK; ++i) {
            const double y = wave.samples[(t + i) * 2] + wave.samples[(t + i) * 2 + 1];
            cross += y * clip.samples[(loudest + i) * clip.channels];
            energy += y * y;
        }
        if (cross / std::sqrt(energy) > best) best = cross / std::sqrt(energy), onset = t - loudest;
    }
    return onset;
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
    // The last start-up line: the scene is built, the music starts and so does the flight.
    ASSERT_TRUE(waitForOutput(run, "X. 3.7 y. 1.1 Z: -46.6\n", 60.0)) << "the scene did not load\n" << gameOutput(run);
    const auto start = std::chrono::steady_clock::now();
    const auto written = [&] {
        std::error_code error;
        const size_t bytes = std::filesystem::file_size(wavPath, error);
        return error || bytes < 44 ? 0 : (bytes - 44) / 8;
    };
    const size_t loaded = written();

    // The clock jumps ahead to 2 or 3 s before each moment (the library reads its file once a second) and
    // runs at its pace through it; the wave backend writes the skipped time at once.
    const struct { const char* name; const PcmClip& clip; double moment; } effects[] = {
        {"lantern", lantern, 20.0}, {"glass", glass, 51.45}};
    for (const auto& e : effects) {
        const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        writeFile(clock, "+" + std::to_string(static_cast<int>(e.moment - 3.0 - now)));
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (written() < loaded + static_cast<size_t>((e.moment + 2.0) * RATE) && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    sendKey(run, "Escape");
    ASSERT_EQ(waitForExit(run, 30.0), 0) << gameOutput(run);

    WaveData wave;
    ASSERT_TRUE(readWave(wavPath, wave));
    ASSERT_EQ(wave.channels, 2);
    const size_t music = firstSoundFrame(wave);
    ASSERT_GE(wave.frames(), music + 53 * RATE) << "under 53 s of flight recorded";
    for (const auto& e : effects) {
        const size_t from = music + static_cast<size_t>((e.moment - 0.2) * RATE);
        const double seconds = static_cast<double>(onsetOf(wave, e.clip, from, 3 * RATE / 2) - music) / RATE;
        std::printf("%s heard %.3f s after the music started\n", e.name, seconds);
        // The first turn of the loop past the moment: a later start means a turn took over a second.
        EXPECT_GE(seconds, e.moment) << e.name;
        EXPECT_LE(seconds, e.moment + 1.0) << e.name;
    }
}
