// The whole game heard through the wave backend: music and wind from the start, the lantern after 20 s.
#include "support/game_run.h"
#include "support/process.h"
#include "wave_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

constexpr size_t RATE = 44100;

// Where a known source sits in the recording: its first frame and its gain per channel.
struct Match {
    size_t start = 0;
    double gain[2] = {0.0, 0.0};
    double score = -1.0;
};

double sourceSample(const PcmClip& clip, size_t frame, int channel, bool looped) {
    if (looped) frame %= clip.frames();
    else if (frame >= clip.frames()) return 0.0;
    return clip.samples[frame * clip.channels + std::min(channel, clip.channels - 1)] / 32768.0;
}

// Tries every start in [from, to] over `window` frames and keeps the one the source explains best.
Match findSource(const WaveData& wave, const PcmClip& clip, size_t from, size_t to, size_t window, bool looped) {
    Match best;
    for (size_t start = from; start <= to; ++start) {
        Match m;
        m.start = start;
        m.score = 0.0;
        for (int c = 0; c < 2; ++c) {
            double cross = 0.0;
            double self = 0.0;
            for (size_t i = 0; i < window && start + i < wave.frames(); ++i) {
                double s = sourceSample(clip, i, c, looped);
                cross += wave.samples[(start + i) * 2 + c] * s;
                self += s * s;
            }
            m.gain[c] = self > 0.0 ? cross / self : 0.0;
            m.score += cross * m.gain[c];
        }
        if (m.score > best.score) best = m;
    }
    return best;
}

// Least-squares gains of two sources together, channel by channel, over `count` frames from `from`:
// each alone would also take up the part of the other that resembles it.
void fitTogether(const WaveData& wave, const PcmClip& a, Match& ma, const PcmClip& b, Match& mb, size_t from,
                 size_t count) {
    for (int c = 0; c < 2; ++c) {
        double aa = 0.0, ab = 0.0, bb = 0.0, ay = 0.0, by = 0.0;
        for (size_t f = from; f < from + count && f < wave.frames(); ++f) {
            double sa = sourceSample(a, f - ma.start, c, true);
            double sb = sourceSample(b, f - mb.start, c, true);
            double y = wave.samples[f * 2 + c];
            aa += sa * sa;
            ab += sa * sb;
            bb += sb * sb;
            ay += sa * y;
            by += sb * y;
        }
        double det = aa * bb - ab * ab;
        ma.gain[c] = det != 0.0 ? (ay * bb - by * ab) / det : 0.0;
        mb.gain[c] = det != 0.0 ? (by * aa - ay * ab) / det : 0.0;
    }
}

void subtractSource(WaveData& wave, const PcmClip& clip, const Match& m, bool looped) {
    for (size_t f = m.start; f < wave.frames(); ++f)
        for (int c = 0; c < 2; ++c)
            wave.samples[f * 2 + c] -= static_cast<float>(m.gain[c] * sourceSample(clip, f - m.start, c, looped));
}

size_t firstAbove(const WaveData& wave, size_t fromFrame, float threshold) {
    for (size_t i = fromFrame * 2; i < wave.samples.size(); ++i)
        if (std::fabs(wave.samples[i]) > threshold) return i / 2;
    return wave.frames();
}

size_t framesWritten(const std::string& path) {
    std::error_code error;
    auto size = std::filesystem::file_size(path, error);
    return error || size < 44 ? 0 : (size - 44) / 8;
}

TEST(AudioEndToEnd, MusicAndWindFromTheStartAndTheLanternTwentySecondsIn) {
    PcmClip music, wind, lantern;
    ASSERT_TRUE(decodeMp3((sourceDir() + "/Resources/spooky_song2.mp3").c_str(), music));
    ASSERT_TRUE(decodeMp3((sourceDir() + "/Resources/wind.mp3").c_str(), wind));
    ASSERT_TRUE(decodeMp3((sourceDir() + "/Resources/lantern.mp3").c_str(), lantern));
    ASSERT_EQ(music.rate, 44100);

    std::string dir = makeGameDir("audio-e2e");
    std::string wavPath = dir + "/heard.wav";
    std::string conf = writeWaveConfig(dir, wavPath);
    // The lantern starts in the first turn past 20 s: keep turns short with a small window and no
    // volumetric passes, since only the sound is judged here.
    writeFile(dir + "/Resources/settings.ini", "[window]\nWIDTH=320\nHEIGHT=240\nFULLSCREEN=false\n");
    GameRun run = startGame(dir, 120.0, "ALSOFT_CONF=" + conf);
    ASSERT_FALSE(run.window.empty()) << gameOutput(run);
    sendKey(run, "F5");

    // The recording starts with the engine; the music starts once the scene is loaded.
    size_t musicStart = 0;
    for (int tries = 0; tries < 240 && musicStart == 0; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        WaveData sofar;
        if (readWave(wavPath, sofar) && firstSoundFrame(sofar) < sofar.frames()) musicStart = firstSoundFrame(sofar);
    }
    ASSERT_GT(musicStart, 0u) << "no sound in " << wavPath << "\n" << gameOutput(run);
    while (framesWritten(wavPath) < musicStart + 25 * RATE) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    sendKey(run, "Escape");
    ASSERT_EQ(waitForExit(run, 60.0), 0) << gameOutput(run);

    WaveData wave;
    ASSERT_TRUE(readWave(wavPath, wave));
    ASSERT_EQ(wave.channels, 2);
    ASSERT_GE(wave.frames(), musicStart + 25 * RATE);
    const WaveData recorded = wave;

    // Music first, then the wind within a second, both at their volume in both channels.
    Match m = findSource(wave, music, musicStart > 2048 ? musicStart - 2048 : 0, musicStart + 2048, RATE / 10, true);
    EXPECT_LE(m.start, musicStart + 1024);
    WaveData withoutMusic = wave;
    subtractSource(withoutMusic, music, findSource(wave, music, m.start, m.start, RATE, true), true);
    size_t windGuess = firstAbove(withoutMusic, m.start + 2048, 5e-3f);
    Match w = findSource(withoutMusic, wind, windGuess > 4096 ? windGuess - 4096 : 0, windGuess + 64, RATE / 10, true);
    EXPECT_LT(w.start - m.start, RATE) << "wind right after the music";
    fitTogether(wave, music, m, wind, w, w.start, 10 * RATE);
    for (double g : m.gain) EXPECT_NEAR(decibels(g / 0.07), 0.0, 0.5) << "music " << g;
    for (double g : w.gain) EXPECT_NEAR(decibels(g / 0.07), 0.0, 0.5) << "wind " << g;
    subtractSource(wave, music, m, true);
    subtractSource(wave, wind, w, true);

    // Both play on unchanged: taking them out leaves next to nothing until the lantern.
    size_t from = w.start + RATE / 10;
    size_t span = m.start + 199 * RATE / 10 - from;
    EXPECT_LT(rms(wave, -1, from, span), 0.01 * rms(recorded, -1, from, span));

    // Nothing else until the lantern; its onset 20 to 21 s after the music's.
    size_t lanternGuess = firstAbove(wave, w.start + RATE / 10, 2e-3f);
    ASSERT_LT(lanternGuess, wave.frames()) << "no lantern in the recording";
    Match l = findSource(wave, lantern, lanternGuess > RATE / 5 ? lanternGuess - RATE / 5 : 0, lanternGuess + 64,
                         RATE / 5, false);
    double seconds = static_cast<double>(l.start - m.start) / RATE;
    EXPECT_GE(seconds, 20.0);
    EXPECT_LE(seconds, 21.0) << "the lantern starts in the first turn past 20 s; a later start means a turn of the "
                                "loop took over a second";
}

}  // namespace
