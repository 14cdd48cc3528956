// Flight sound: the game's audio timeline driven by flight time through OpenAL Soft's loopback device.
#include "flight_sound.h"

#include "app/offscreen.h"
#include "audio/sound_engine.h"
#include "audio/timeline.h"
#include "world/camera_system.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>

namespace {

// The effects are tested every millisecond of sound, where the game tests them once a frame.
constexpr long long CHUNK = FLIGHT_SOUND_RATE / 1000;

void appendLe(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
}

}  // namespace

bool openFlightSound(FlightSound& sound, Registry& registry) {
    SoundEngine* engine = createLoopbackSoundEngine(FLIGHT_SOUND_RATE);
    if (!engine) {
        std::cout << "No loopback sound device: the capture has no sound" << std::endl;
        return false;
    }
    sound.audio = createAudioState(engine);
    sound.audio->flightLength = flightLength(registry);
    startBackgroundLoops(*sound.audio);
    preloadTimedEffects(*sound.audio);
    return true;
}

void mixFlightSound(FlightSound& sound, Registry& registry, double until, bool keep) {
    if (!sound.audio) return;
    updateListener(registry, *sound.audio);
    const long long target = std::llround(until * FLIGHT_SOUND_RATE);
    if (keep && sound.keptFrom < 0) sound.keptFrom = sound.mixed;
    std::vector<int16_t> scratch;
    while (sound.mixed < target) {
        playTimedEffects(*sound.audio, static_cast<float>(static_cast<double>(sound.mixed) / FLIGHT_SOUND_RATE));
        const long long frames = std::min(CHUNK - sound.mixed % CHUNK, target - sound.mixed);
        renderSamples(sound.audio->soundEngine, static_cast<int>(frames), keep ? sound.samples : scratch);
        scratch.clear();
        sound.mixed += frames;
    }
}

bool writeWav(const std::string& path, const FlightSound& sound) {
    const uint32_t dataBytes = static_cast<uint32_t>(sound.samples.size() * sizeof(int16_t));
    std::string header = "RIFF";
    appendLe(header, 36 + dataBytes, 4);
    header += "WAVEfmt ";
    appendLe(header, 16, 4);
    appendLe(header, 1, 2);  // PCM
    appendLe(header, 2, 2);  // stereo
    appendLe(header, FLIGHT_SOUND_RATE, 4);
    appendLe(header, FLIGHT_SOUND_RATE * 4, 4);
    appendLe(header, 4, 2);
    appendLe(header, 16, 2);
    header += "data";
    appendLe(header, dataBytes, 4);
    std::ofstream out(path, std::ios::binary);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    out.write(reinterpret_cast<const char*>(sound.samples.data()), dataBytes);
    return static_cast<bool>(out);
}

void closeFlightSound(FlightSound& sound) {
    destroyAudioState(sound.audio);
    sound.audio = nullptr;
}
