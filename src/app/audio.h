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
};

// The OpenAL Soft engine of sound_engine.h.
extern const SoundOps soundEngineOps;

struct AudioState {
    SoundEngine* soundEngine = nullptr;  // null when no sound device opened: the game runs silently
    bool glassPlayed = false;            // since the last (re)start
    bool lanternPlayed = false;          // since the last (re)start
    const SoundOps* ops = &soundEngineOps;
};

// Made on the heap after the scene is built; holds the caller's engine reference from then on.
AudioState* createAudioState(SoundEngine* engine, const SoundOps& ops = soundEngineOps);

// Music, then wind: looped, quiet, never touched again.
void startBackgroundLoops(AudioState& audio);

// Once per turn after the time update: the glass break past 51.45 s, then the lantern past 20 s,
// each once per run whether or not the engine could play it.
void playTimedEffects(AudioState& audio, float elapsedTime);

// A restart lets both effects play again.
void resetTimedEffects(AudioState& audio);

// Drops the engine, then frees the state.
void destroyAudioState(AudioState* audio);
