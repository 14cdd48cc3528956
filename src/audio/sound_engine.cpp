// Sound engine: OpenAL Soft mixes and places the sounds on its own threads, mpg123 decodes them.
#include "audio/sound_engine.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <fcntl.h>
#include <mpg123.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <set>
#include <string>

struct Sound {
    int refs = 0;
    ALuint source = 0;              // 0 once finished or the engine is gone
    SoundEngine* engine = nullptr;  // null once finished or the engine is gone
    bool looped = false;
};

struct SoundEngine {
    int refs = 1;
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    bool directChannels = false;          // AL_SOFT_direct_channels: 2D stereo goes straight to the speakers
    std::map<std::string, ALuint> buffers;  // decoded once per file and layout
    std::set<std::string> reported;       // files whose failure has been named
    std::vector<Sound*> sounds;           // each holds one reference for the engine
    bool loopback = false;                // mixed only by renderSamples
};

namespace {

void releaseSound(Sound* sound) {
    if (--sound->refs == 0) delete sound;
}

void useContext(SoundEngine* engine) {
    if (alcGetCurrentContext() != engine->context) alcMakeContextCurrent(engine->context);
}

// Stops the voice and gives up the engine's reference.
void retireSound(Sound* sound) {
    alSourceStop(sound->source);
    alDeleteSources(1, &sound->source);
    sound->source = 0;
    sound->engine = nullptr;
    releaseSound(sound);
}

// One-shot sounds that have played out free their voices here, on the game thread.
void sweepFinished(SoundEngine* engine) {
    auto finished = [](Sound* sound) {
        ALint state = AL_STOPPED;
        alGetSourcei(sound->source, AL_SOURCE_STATE, &state);
        return state == AL_STOPPED;
    };
    auto split = std::stable_partition(engine->sounds.begin(), engine->sounds.end(),
                                       [&](Sound* s) { return !finished(s); });
    std::for_each(split, engine->sounds.end(), retireSound);
    engine->sounds.erase(split, engine->sounds.end());
}

// Probing for a device makes ALSA and OpenAL chatter on stderr when there is none;
// the game says nothing about sound, so the probe runs with stderr closed off.
ALCdevice* openDeviceQuietly() {
    fflush(stderr);
    int saved = dup(STDERR_FILENO);
    int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) dup2(devNull, STDERR_FILENO);
    ALCdevice* device = alcOpenDevice(nullptr);
    fflush(stderr);
    if (saved >= 0) dup2(saved, STDERR_FILENO);
    if (saved >= 0) close(saved);
    if (devNull >= 0) close(devNull);
    return device;
}

ALuint uploadBuffer(const PcmClip& clip) {
    ALenum format = clip.channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, format, clip.samples.data(), static_cast<ALsizei>(clip.samples.size() * sizeof(int16_t)),
                 static_cast<ALsizei>(clip.rate));
    if (alGetError() != AL_NO_ERROR) {
        alDeleteBuffers(1, &buffer);
        return 0;
    }
    return buffer;
}

// The file's buffer, decoded at its first play; 0 when it cannot be decoded.
ALuint bufferFor(SoundEngine* engine, const char* path, bool mono) {
    std::string key = std::string(mono ? "mono:" : "native:") + path;
    auto found = engine->buffers.find(key);
    if (found != engine->buffers.end()) return found->second;
    PcmClip clip;
    ALuint buffer = 0;
    std::string why;
    if (decodeMp3(path, clip, &why)) {
        if (mono || clip.channels > 2) downmixToMono(clip);
        buffer = uploadBuffer(clip);
        if (buffer == 0) why = "the sound library refused its samples";
    }
    if (buffer == 0 && engine->reported.insert(path).second)
        std::cout << "Sound failed to load at path: " << path << " (" << why << ")" << std::endl;
    // A file that failed stays failed: it is not decoded again, nor named again.
    engine->buffers[key] = buffer;
    return buffer;
}

SoundEngine* makeEngine(ALCdevice* device, ALCcontext* context, bool loopback) {
    SoundEngine* engine = new SoundEngine;
    engine->device = device;
    engine->context = context;
    engine->loopback = loopback;
    engine->directChannels = alIsExtensionPresent("AL_SOFT_direct_channels") == AL_TRUE;
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    ALfloat orientation[6] = {0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};
    alListenerfv(AL_ORIENTATION, orientation);
    return engine;
}

// A context on device with attributes (null for the device's own), made current; the device is closed
// again when that fails.
SoundEngine* startEngine(ALCdevice* device, const ALCint* attributes, bool loopback) {
    ALCcontext* context = alcCreateContext(device, attributes);
    if (!context || !alcMakeContextCurrent(context)) {
        if (context) alcDestroyContext(context);
        alcCloseDevice(device);
        return nullptr;
    }
    return makeEngine(device, context, loopback);
}

Sound* startSound(SoundEngine* engine, ALuint buffer, bool looped, bool relative, const glm::vec3& position) {
    ALuint source = 0;
    alGetError();
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) return nullptr;
    alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
    alSourcei(source, AL_LOOPING, looped ? AL_TRUE : AL_FALSE);
    alSourcei(source, AL_SOURCE_RELATIVE, relative ? AL_TRUE : AL_FALSE);
    alSource3f(source, AL_POSITION, position.x, position.y, position.z);
    alSourcef(source, AL_REFERENCE_DISTANCE, 1.0f);
    alSourcef(source, AL_ROLLOFF_FACTOR, 1.0f);
    if (relative && engine->directChannels) alSourcei(source, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    alSourcePlay(source);
    Sound* sound = new Sound;
    sound->refs = 2;  // the caller's and the engine's
    sound->source = source;
    sound->engine = engine;
    sound->looped = looped;
    engine->sounds.push_back(sound);
    return sound;
}

Sound* play(SoundEngine* engine, const char* path, bool looped, bool is3D, const glm::vec3& position) {
    if (!engine || !path) return nullptr;
    useContext(engine);
    sweepFinished(engine);
    ALuint buffer = bufferFor(engine, path, is3D);
    if (buffer == 0) return nullptr;
    return startSound(engine, buffer, looped, !is3D, position);
}

}  // namespace

SoundEngine* createSoundEngine() {
    ALCdevice* device = openDeviceQuietly();
    if (!device) return nullptr;
    // OpenAL Soft's "null" backend opens without any speaker behind it: no device either.
    // The plain specifier of a default device is only "OpenAL Soft"; the full name tells.
    const ALCchar* name = alcIsExtensionPresent(device, "ALC_ENUMERATE_ALL_EXT")
                              ? alcGetString(device, ALC_ALL_DEVICES_SPECIFIER)
                              : alcGetString(device, ALC_DEVICE_SPECIFIER);
    if (name && std::string(name) == "No Output") {
        alcCloseDevice(device);
        return nullptr;
    }
    return startEngine(device, nullptr, false);
}

SoundEngine* createLoopbackSoundEngine(int rate) {
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) return nullptr;
    auto openLoopback =
        reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    if (!openLoopback) return nullptr;
    ALCdevice* device = openLoopback(nullptr);
    if (!device) return nullptr;
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_SHORT_SOFT,
                                 ALC_FREQUENCY, rate, 0};
    return startEngine(device, attributes, true);
}

void renderSamples(SoundEngine* engine, int frames, std::vector<int16_t>& out) {
    if (!engine || !engine->loopback || frames <= 0) return;
    static const auto render =
        reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(engine->device, "alcRenderSamplesSOFT"));
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(frames) * 2, 0);
    if (!render) return;
    useContext(engine);
    render(engine->device, out.data() + at, frames);
}

void preloadSound(SoundEngine* engine, const char* path, bool is3D) {
    if (!engine || !path) return;
    useContext(engine);
    bufferFor(engine, path, is3D);
}

Sound* play2D(SoundEngine* engine, const char* path, bool looped) {
    return play(engine, path, looped, false, glm::vec3(0.0f));
}

Sound* play3D(SoundEngine* engine, const char* path, const glm::vec3& position, bool looped) {
    return play(engine, path, looped, true, position);
}

void setListenerPosition(SoundEngine* engine, const glm::vec3& position, const glm::vec3& lookDirection,
                         const glm::vec3& velocity, const glm::vec3& up) {
    if (!engine) return;
    useContext(engine);
    sweepFinished(engine);
    alListener3f(AL_POSITION, position.x, position.y, position.z);
    alListener3f(AL_VELOCITY, velocity.x, velocity.y, velocity.z);
    // A zero look (the camera before its first pose) or one along up has no orientation: keep the last.
    if (glm::length(glm::cross(lookDirection, up)) > 1e-6f) {
        ALfloat orientation[6] = {lookDirection.x, lookDirection.y, lookDirection.z, up.x, up.y, up.z};
        alListenerfv(AL_ORIENTATION, orientation);
    }
}

void setVolume(Sound* sound, float volume) {
    if (!sound || !sound->engine) return;
    useContext(sound->engine);
    alSourcef(sound->source, AL_GAIN, std::max(volume, 0.0f));
}

void setMinDistance(Sound* sound, float distance) {
    if (!sound || !sound->engine || !(distance > 0.0f)) return;
    useContext(sound->engine);
    alSourcef(sound->source, AL_REFERENCE_DISTANCE, distance);
}

void dropSound(Sound* sound) {
    if (sound) releaseSound(sound);
}

void dropSoundEngine(SoundEngine* engine) {
    if (!engine || --engine->refs > 0) return;
    useContext(engine);
    for (Sound* sound : engine->sounds) retireSound(sound);
    engine->sounds.clear();
    for (auto& [key, buffer] : engine->buffers)
        if (buffer != 0) alDeleteBuffers(1, &buffer);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(engine->context);
    alcCloseDevice(engine->device);
    delete engine;
}

size_t trackedSoundCount(const SoundEngine* engine) {
    return engine ? engine->sounds.size() : 0;
}

namespace {

// Every rate and layout, always as signed 16-bit samples.
void acceptSigned16(mpg123_handle* handle) {
    mpg123_format_none(handle);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
}

// Reads every sample; empty when the stream breaks off in an error, which `why` then names.
bool readAll(mpg123_handle* handle, PcmClip& clip, int& channels, std::string& why) {
    int encoding = 0;
    std::vector<unsigned char> chunk(64 * 1024);
    for (;;) {
        size_t done = 0;
        int result = mpg123_read(handle, chunk.data(), chunk.size(), &done);
        const int16_t* samples = reinterpret_cast<const int16_t*>(chunk.data());
        clip.samples.insert(clip.samples.end(), samples, samples + done / sizeof(int16_t));
        if (result == MPG123_DONE) return true;
        if (result == MPG123_NEW_FORMAT) {
            mpg123_getformat(handle, &clip.rate, &channels, &encoding);
        } else if (result != MPG123_OK) {
            why = std::string("cannot be decoded: ") + mpg123_strerror(handle);
            return false;
        }
    }
}

// Decodes an opened stream; the reason it failed, or empty.
std::string decodeStream(mpg123_handle* handle, const char* path, PcmClip& clip) {
    int channels = 0;
    int encoding = 0;
    if (mpg123_open(handle, path) != MPG123_OK ||
        mpg123_getformat(handle, &clip.rate, &channels, &encoding) != MPG123_OK)
        return "no MP3 audio in it";
    // The header's length where the file has one; known for certain only once the end is reached.
    const long expected = static_cast<long>(mpg123_length(handle));
    std::string why;
    if (!readAll(handle, clip, channels, why)) return why;
    clip.channels = channels;
    const long decoded = static_cast<long>(clip.frames());
    if (decoded == 0 || channels <= 0 || clip.rate <= 0) return "no MP3 audio in it";
    // A frame or a fiftieth short is still whole: a length estimated from the file size is no closer.
    if (expected > 0 && decoded < expected - std::max(1152L, expected / 50))
        return "cut short: " + std::to_string(decoded) + " of " + std::to_string(expected) + " samples";
    return "";
}

}  // namespace

bool decodeMp3(const char* path, PcmClip& clip, std::string* why) {
    clip = PcmClip{};
    static const bool initialised = mpg123_init() == MPG123_OK;
    std::string reason;
    FILE* file = std::fopen(path, "rb");
    if (!file) reason = std::strerror(errno);
    else std::fclose(file);
    mpg123_handle* handle = reason.empty() && initialised ? mpg123_new(nullptr, nullptr) : nullptr;
    if (reason.empty() && !handle) reason = "the MP3 decoder did not start";
    if (handle) {
        mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        acceptSigned16(handle);
        reason = decodeStream(handle, path, clip);
        mpg123_close(handle);
        mpg123_delete(handle);
    }
    if (reason.empty()) return true;
    clip = PcmClip{};
    if (why) *why = reason;
    return false;
}

void downmixToMono(PcmClip& clip) {
    if (clip.channels <= 1) return;
    size_t frames = clip.frames();
    std::vector<int16_t> mono(frames);
    for (size_t f = 0; f < frames; ++f) {
        int sum = 0;
        for (int c = 0; c < clip.channels; ++c) sum += clip.samples[f * clip.channels + c];
        mono[f] = static_cast<int16_t>(sum / clip.channels);
    }
    clip.samples = std::move(mono);
    clip.channels = 1;
}
