// The whole game heard through OpenAL Soft's wave backend: the lantern 20 s into the flight, the glass break at
// 51.45 s. libfaketime's clock stands still and the test moves it, so the backend, which writes only time that
// has passed, can neither run ahead of the game nor lag behind it: the clock stops just short of a moment until
// the backend has written up to there, then a little past it until the backend has got there too and the game
// has drawn two frames since (so it has played the effect), and only then moves on. The effect's onset must
// fall between the two stops, however slowly the machine draws or compiles shaders.
#include "support/game_run.h"
#include "support/process.h"
#include "wave_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace {

constexpr size_t RATE = 44100;
constexpr int PERIOD = 441;                         // frames the backend mixes and writes at a time
// Where the clock stops before and after a moment; past it, far enough for the backend's writes to show.
constexpr double SHORT = 0.005, PAST = 0.1;
// What the backend may have mixed yet not written when the game plays an effect: a period and stdio's buffer.
constexpr double UNWRITTEN = (PERIOD + BUFSIZ / 8.0) / RATE;
constexpr double WAIT = 60.0;                       // seconds: a few frames on a loaded machine, shaders compiled

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// libfaketime's clock, stopped at `seconds` past a whole minute of the day.
void setClock(const std::string& file, double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "2026-01-01 00:00:%06.3f", seconds);
    writeFile(file + ".new", text);
    std::filesystem::rename(file + ".new", file);  // never half a line
}

// Bytes before the samples in a wave file as the backend opens it; 0 while there is no data chunk yet.
size_t waveHeaderBytes(const std::string& path) {
    const std::string s = readFile(path).substr(0, 256);
    const size_t data = s.find("data");
    return data == std::string::npos ? 0 : data + 8;
}

// Waits up to 30 s for the backend to have written the stereo float frames up to `seconds`, less what it may
// still hold in its period and in stdio's buffer.
bool waitForWave(const std::string& path, size_t header, double seconds) {
    const auto wanted = header + 8 * static_cast<std::uintmax_t>(std::max(0.0, seconds * RATE - PERIOD - BUFSIZ / 8));
    for (auto start = std::chrono::steady_clock::now(); secondsSince(start) < 30;) {
        std::error_code error;
        if (std::filesystem::file_size(path, error) >= wanted && !error) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// The clip's first frame in the recording, searched over `span` frames from `from`: where the clip's opening
// quarter second matches the recording best, sample by sample (the highest normalised correlation; the music
// and the wind under it are no match for the clip's own waveform). The clip is mono, as 3D sounds are played.
size_t onsetOf(const WaveData& wave, const PcmClip& clip, size_t from, size_t span) {
    const size_t n = std::min<size_t>(clip.frames(), RATE / 4);
    const auto heard = [&](size_t f) { return f < wave.frames() ? wave.samples[f * 2] + wave.samples[f * 2 + 1] : 0.0f; };
    double power = 0.0;  // of the recording under the clip at the current lag
    for (size_t i = 0; i < n; ++i) power += heard(from + i) * heard(from + i);
    std::pair<double, size_t> best{-1e300, from};
    for (size_t at = from; at < from + span; ++at) {
        double dot = 0.0;
        for (size_t i = 0; i < n; ++i) dot += clip.samples[i] * heard(at + i);
        best = std::max(best, {dot / std::sqrt(std::max(power, 1e-12)), at});
        power += heard(at + n) * heard(at + n) - heard(at) * heard(at);
    }
    return best.second;
}

}  // namespace

TEST(AudioEndToEnd, TheLanternTwentySecondsInAndTheGlassAt51_45) {
    ASSERT_FALSE(faketimeEnv().empty()) << "libfaketime is missing (scripts/setup installs it)";
    PcmClip lantern, glass;
    ASSERT_TRUE(decodeMp3((sourceDir() + "/Resources/lantern.mp3").c_str(), lantern));
    ASSERT_TRUE(decodeMp3((sourceDir() + "/Resources/glass_breaks.mp3").c_str(), glass));
    downmixToMono(lantern), downmixToMono(glass);
    const std::string dir = makeGameDir("audio-e2e"), wavPath = dir + "/heard.wav", clock = dir + "/clock.rc";
    // A small window keeps turns of the loop short; F5 below takes the volumetric passes out too.
    writeFile(dir + "/Resources/settings.ini", "[window]\nWIDTH=320\nHEIGHT=240\nFULLSCREEN=false\n");
    setClock(clock, 0.0);
    // The clock file is read again at most once a second; the backend's writes tell when a step has landed.
    GameRun run(dir, faketimeEnv() + " FAKETIME_TIMESTAMP_FILE=" + clock + " FAKETIME_CACHE_DURATION=1 ALSOFT_CONF=" +
                         writeWaveConfig(dir, wavPath, PERIOD));
    ASSERT_FALSE(run.window.empty()) << "no window within 60 s\n" << gameOutput(run);
    sendKey(run, "F5");
    // A drawn frame: the music and the wind were started before the first, still at flight time 0.
    ASSERT_TRUE(looksDrawn(waitForPicture(run, 60, looksDrawn))) << "no frame within 60 s\n" << gameOutput(run);
    // The header reaches the file with the first samples, once the clock has moved far enough.
    setClock(clock, 19.0);
    size_t header = 0;
    for (auto start = std::chrono::steady_clock::now(); !(header = waveHeaderBytes(wavPath)) && secondsSince(start) < WAIT;)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GT(header, 0u) << "the wave backend wrote nothing to " << wavPath << " within 60 s\n" << gameOutput(run);
    for (const double moment : {20.0, 51.45}) {
        SCOPED_TRACE(moment);
        setClock(clock, moment - SHORT);
        ASSERT_TRUE(waitForWave(wavPath, header, moment - SHORT)) << "the backend stopped short of " << moment;
        setClock(clock, moment + PAST);
        ASSERT_TRUE(waitForWave(wavPath, header, moment + PAST)) << "the backend stopped short of " << moment + PAST;
        // Two frames drawn since, each told apart by F6: the turn after the first read the clock past the
        // moment and played the effect before the second was drawn.
        for (int frame = 0; frame < 2; ++frame) {
            const Picture before = waitForPicture(run, WAIT, [](const Picture&) { return true; });
            sendKey(run, "F6");
            ASSERT_FALSE(waitForPicture(run, WAIT, [&](const Picture& p) { return changedShare(p, before) > 1e-4; })
                             .rgb.empty())
                << "F6 changed nothing within 60 s\n" << gameOutput(run);
        }
        setClock(clock, moment + 1.0);
        ASSERT_TRUE(waitForWave(wavPath, header, moment + 1.0)) << "the backend stopped short of " << moment + 1.0;
    }
    sendKey(run, "Escape");
    ASSERT_EQ(waitForExit(run, WAIT), 0) << "Escape did not end the game with status 0 within 60 s\n" << gameOutput(run);

    WaveData wave;
    ASSERT_TRUE(readWave(wavPath, wave));
    // The music and the wind start with the flight, before its clock first moves.
    EXPECT_LT(firstSoundFrame(wave), RATE / 10) << "no music or wind in the flight's first 0.1 s";
    ASSERT_GE(wave.frames(), static_cast<size_t>(52.4 * RATE)) << "under 52.45 s of flight recorded";
    const struct { const char* name; const PcmClip& clip; double moment; } effects[] = {
        {"lantern", lantern, 20.0}, {"glass", glass, 51.45}};
    for (const auto& e : effects) {
        const size_t from = static_cast<size_t>((e.moment - 0.2) * RATE);
        const double seconds = static_cast<double>(onsetOf(wave, e.clip, from, RATE / 2)) / RATE;
        std::printf("%s heard %.4f s into the flight\n", e.name, seconds);
        EXPECT_GE(seconds, e.moment - SHORT - UNWRITTEN) << e.name << " before its moment";
        EXPECT_LE(seconds, e.moment + PAST + 1.0 / RATE) << e.name << " after the first frame past its moment";
    }
}
