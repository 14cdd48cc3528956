// Sound engine: our own layer on OpenAL Soft (mixing, 3D placement) and mpg123 (decoding).
#pragma once

#include <glm/glm.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct SoundEngine;
struct Sound;

// Opens the default output device; null when no device opens (the game then runs silently).
// The caller holds one reference.
SoundEngine* createSoundEngine();

// An engine without a device (OpenAL Soft's loopback): nothing plays until renderSamples mixes it,
// 16-bit stereo at `rate`. Null when the library cannot offer one.
SoundEngine* createLoopbackSoundEngine(int rate);
// Mixes the next `frames` frames of everything playing and appends them to out, interleaved stereo.
void renderSamples(SoundEngine* engine, int frames, std::vector<int16_t>& out);

// Decodes a file into the engine ahead of its first play. A file that is missing or does not decode is
// named on one line with the reason, once per engine, whether found here or at a play.
void preloadSound(SoundEngine* engine, const char* path, bool is3D);

// Start a sound at once and hand the caller one reference; null for a null engine or a file that
// is missing or does not decode (named once, see preloadSound). A 2D sound plays at the listener, a 3D
// one from its position.
Sound* play2D(SoundEngine* engine, const char* path, bool looped);
Sound* play3D(SoundEngine* engine, const char* path, const glm::vec3& position, bool looped);

// Moves the 3D listener; a null engine (no sound device) ignores the call.
void setListenerPosition(SoundEngine* engine, const glm::vec3& position, const glm::vec3& lookDirection,
                         const glm::vec3& velocity, const glm::vec3& up);

// A 3D sound keeps full volume up to its minimum distance and fades as min / distance beyond.
void setVolume(Sound* sound, float volume);
void setMinDistance(Sound* sound, float distance);
// Releases the caller's reference; the sound still plays to its end (forever when looped).
void dropSound(Sound* sound);
// Releases the caller's reference; the last one stops every sound and closes the device.
void dropSoundEngine(SoundEngine* engine);

// Sounds the engine still tracks: playing, or held by a caller.
size_t trackedSoundCount(const SoundEngine* engine);

// Decoded 16-bit PCM, interleaved.
struct PcmClip {
    long rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;
    size_t frames() const { return channels > 0 ? samples.size() / channels : 0; }
};

// Decodes a whole MP3 file; false (and nothing printed) when it is missing, holds no audio, breaks off
// in a decoding error or is cut short of the length its header gives. `why` then says which.
bool decodeMp3(const char* path, PcmClip& clip, std::string* why = nullptr);
// Averages the channels into one, so OpenAL can place the sound in 3D.
void downmixToMono(PcmClip& clip);
