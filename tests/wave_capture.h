// Test helpers: OpenAL Soft's wave backend as a microphone, and the levels of what it or a decoder gave.
#pragma once

#include "audio/sound_engine.h"
#include "support/process.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Everything the engine mixed, as floats in -1..1, interleaved.
struct WaveData {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;
    size_t frames() const { return channels > 0 ? samples.size() / channels : 0; }
};

// An alsoft.conf that sends all output to wavPath as 44.1 kHz float stereo without HRTF, mixed `period` frames
// at a time (0: the library's default).
inline std::string writeWaveConfig(const std::string& dir, const std::string& wavPath, int period = 0) {
    writeFile(dir + "/alsoft.conf", "[general]\ndrivers=wave\nchannels=stereo\nsample-type=float32\nfrequency=44100\n"
                                    "hrtf=false\n" + (period > 0 ? "period_size=" + std::to_string(period) + "\n" : "") +
                                    "[wave]\nfile=" + wavPath + "\n");
    return dir + "/alsoft.conf";
}

// Reads 16-bit PCM or 32-bit float WAV (plain or extensible); a data size the writer never filled in
// (the process was killed) reads to the end of the file.
inline bool readWave(const std::string& path, WaveData& wave) {
    const std::string s = readFile(path);
    const auto le = [&](size_t at, size_t bytes) { uint32_t v = 0; return std::memcpy(&v, s.data() + at, bytes), v; };
    wave = WaveData{};
    uint32_t format = 0, bits = 0;
    for (size_t at = 12; s.compare(0, 4, "RIFF") == 0 && at + 8 <= s.size(); at += 8 + le(at + 4, 4)) {
        const size_t body = at + 8, size = std::min<size_t>(le(at + 4, 4) ? le(at + 4, 4) : s.size(), s.size() - body);
        if (s.compare(at, 4, "fmt ") == 0 && body + 26 <= s.size()) {
            wave.channels = static_cast<int>(le(body + 2, 2)), wave.rate = static_cast<int>(le(body + 4, 4));
            format = le(body, 2) == 0xFFFE ? le(body + 24, 2) : le(body, 2), bits = le(body + 14, 2);
        } else if (s.compare(at, 4, "data") == 0 && ((format == 3 && bits == 32) || (format == 1 && bits == 16))) {
            wave.samples.resize(size / (bits / 8));
            for (size_t i = 0; i < wave.samples.size(); ++i)
                if (bits == 32) std::memcpy(&wave.samples[i], s.data() + body + 4 * i, 4);
                else wave.samples[i] = static_cast<int16_t>(le(body + 2 * i, 2)) / 32768.0f;
            return wave.channels > 0;
        }
    }
    return false;
}

// Root mean square over frames [from, from + count) of interleaved samples, of one channel or of all (-1),
// each sample taken over `full`, its format's full scale.
template <typename Sample>
double rms(const std::vector<Sample>& samples, int channels, int channel, size_t from, size_t count, double full) {
    double sum = 0.0, n = 0.0;
    for (size_t f = from; f < from + count && (f + 1) * channels <= samples.size(); ++f)
        for (int c = 0; c < channels; ++c)
            if (channel < 0 || c == channel) sum += std::pow(samples[f * channels + c] / full, 2), ++n;
    return n ? std::sqrt(sum / n) : 0.0;
}

inline double rms(const WaveData& w, int channel, size_t from, size_t count) {
    return rms(w.samples, w.channels, channel, from, count, 1.0);
}
inline double rms(const PcmClip& c, int channel, size_t from, size_t count) {
    return rms(c.samples, c.channels, channel, from, count, 32768.0);
}

// The first frame with any sound in it; frames() when there is none.
inline size_t firstSoundFrame(const WaveData& wave, float threshold = 1e-4f) {
    for (size_t i = 0; i < wave.samples.size(); ++i)
        if (std::fabs(wave.samples[i]) > threshold) return i / wave.channels;
    return wave.frames();
}

inline double decibels(double ratio) { return 20.0 * std::log10(ratio); }
