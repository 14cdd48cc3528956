// Audio of a run: the two background loops, the two timed 3D effects and their one-shot flags.
#pragma once

#include <glm/glm.hpp>

struct Sound;
struct SoundEngine;

// The engine operations the game's audio goes through; tests put a recording engine of their own here.
struct SoundOps {
    Sound* (*play2D)(SoundEngine* engine, const char* path, bool looped);
    Sound* (*play3D)(SoundEngine* engine, const char* path, const glm::vec3& position, bool looped);
    void (*setVolume)(Sound* sound, float volume);
    void (*setMinDistance)(Sound* sound, float distance);
    void (*dropSound)(Sound* sound);
    void (*dropSoundEngine)(SoundEngine* engine);
    // Decodes a file ahead of its first play; a 3D sound is kept as mono.
    void (*preload)(SoundEngine* engine, const char* path, bool is3D);
};

// The OpenAL Soft engine of sound_engine.h.
extern const SoundOps soundEngineOps;

struct AudioState {
    SoundEngine* soundEngine = nullptr;  // null when no sound device opened: the game runs silently
    bool glassPlayed = false;            // since the last (re)start
    bool lanternPlayed = false;          // since the last (re)start
    const SoundOps* ops = &soundEngineOps;
    double flightLength = 0.0;           // the player's clip in seconds; the effects come back each loop of it
    long loop = 0;                       // the loop of the flight the flags belong to
};

// The two effects of a loop, glass first as the loop tests them; each plays in the first turn past its moment.
struct TimedEffect {
    const char* path;
    glm::vec3 position;
    float volume;
    float minDistance;
    double moment;  // seconds into a loop of the flight
};
extern const TimedEffect GLASS_EFFECT;
extern const TimedEffect LANTERN_EFFECT;

// Made on the heap after the scene is built; holds the caller's engine reference from then on.
AudioState* createAudioState(SoundEngine* engine, const SoundOps& ops = soundEngineOps);

// Music, then wind: looped, quiet, never touched again.
void startBackgroundLoops(AudioState& audio);

// Decodes both effects at start-up, so a broken file is named then and no frame waits for a decode.
void preloadTimedEffects(AudioState& audio);

// Once per turn after the time update: the glass break past 51.45 s, then the lantern past 20 s of the
// loop of the flight, each once per loop whether or not the engine could play it. Passing into the
// next loop of the player's clip arms both again.
void playTimedEffects(AudioState& audio, float elapsedTime);

// Seconds into the current loop of the flight at elapsedTime, and which loop that is.
double loopTime(const AudioState& audio, float elapsedTime, long* loop = nullptr);

// A restart lets both effects play again, from the first loop.
void resetTimedEffects(AudioState& audio);

// Drops the engine, then frees the state.
void destroyAudioState(AudioState* audio);
