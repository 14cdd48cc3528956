// Test helpers: OpenAL Soft's wave backend as a microphone, and levels of what it wrote.
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

// An alsoft.conf that sends all output to wavPath as 44.1 kHz float stereo without HRTF.
inline std::string writeWaveConfig(const std::string& dir, const std::string& wavPath) {
    std::string conf = dir + "/alsoft.conf";
    writeFile(conf, "[general]\ndrivers=wave\nchannels=stereo\nsample-type=float32\nfrequency=44100\nhrtf=false\n"
                    "[wave]\nfile=" + wavPath + "\n");
    return conf;
}

inline uint32_t le32(const std::string& s, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}
inline uint16_t le16(const std::string& s, size_t at) {
    uint16_t v = 0;
    std::memcpy(&v, s.data() + at, 2);
    return v;
}

// Reads 16-bit PCM or 32-bit float WAV (plain or extensible); a data size the writer never filled in
// (the process was killed) reads to the end of the file.
inline bool readWave(const std::string& path, WaveData& wave) {
    std::string s = readFile(path);
    wave = WaveData{};
    if (s.size() < 12 || s.compare(0, 4, "RIFF") != 0 || s.compare(8, 4, "WAVE") != 0) return false;
    int format = 0;
    int bits = 0;
    for (size_t at = 12; at + 8 <= s.size();) {
        std::string id = s.substr(at, 4);
        size_t size = le32(s, at + 4);
        size_t body = at + 8;
        if (id == "fmt " && body + 16 <= s.size()) {
            format = le16(s, body);
            wave.channels = le16(s, body + 2);
            wave.rate = static_cast<int>(le32(s, body + 4));
            bits = le16(s, body + 14);
            if (format == 0xFFFE && body + 26 <= s.size()) format = le16(s, body + 24);
        } else if (id == "data") {
            if (size == 0 || body + size > s.size()) size = s.size() - body;
            size_t count = size / (bits / 8);
            wave.samples.resize(count);
            for (size_t i = 0; i < count; ++i) {
                if (format == 3 && bits == 32) std::memcpy(&wave.samples[i], s.data() + body + 4 * i, 4);
                else if (format == 1 && bits == 16)
                    wave.samples[i] = static_cast<int16_t>(le16(s, body + 2 * i)) / 32768.0f;
                else return false;
            }
            return wave.channels > 0;
        }
        at = body + size + (size & 1);
    }
    return false;
}

// Root mean square over frames [from, from + count) of one channel, or of all when channel is -1.
inline double rms(const WaveData& wave, int channel, size_t from, size_t count) {
    double sum = 0.0;
    size_t n = 0;
    for (size_t f = from; f < from + count && f < wave.frames(); ++f)
        for (int c = 0; c < wave.channels; ++c)
            if (channel < 0 || c == channel) {
                double v = wave.samples[f * wave.channels + c];
                sum += v * v;
                ++n;
            }
    return n ? std::sqrt(sum / n) : 0.0;
}

inline double rms(const PcmClip& clip, size_t from, size_t count) {
    double sum = 0.0;
    size_t n = 0;
    for (size_t i = from * clip.channels; i < (from + count) * clip.channels && i < clip.samples.size(); ++i) {
        double v = clip.samples[i] / 32768.0;
        sum += v * v;
        ++n;
    }
    return n ? std::sqrt(sum / n) : 0.0;
}

// The first frame with any sound in it; frames() when there is none.
inline size_t firstSoundFrame(const WaveData& wave, float threshold = 1e-4f) {
    for (size_t i = 0; i < wave.samples.size(); ++i)
        if (std::fabs(wave.samples[i]) > threshold) return i / wave.channels;
    return wave.frames();
}

inline double decibels(double ratio) { return 20.0 * std::log10(ratio); }
