// Audio of a run: background loops at start-up, the lantern and the glass break at their moments.
#include "audio/timeline.h"

#include "audio/sound_engine.h"

#include <cmath>

const SoundOps soundEngineOps = {play2D, play3D, setVolume, setMinDistance, dropSound, dropSoundEngine, preloadSound};

const TimedEffect GLASS_EFFECT = {"Resources/glass_breaks.mp3", glm::vec3(1.6f, 1.0f, -51.15f), 0.3f, 3.0f, 51.45};
const TimedEffect LANTERN_EFFECT = {"Resources/lantern.mp3", glm::vec3(-3.454f, 1.549f, -50.56f), 1.0f, 2.5f, 20.0};

namespace {

constexpr const char* MUSIC_FILE = "Resources/spooky_song2.mp3";
constexpr const char* WIND_FILE = "Resources/wind.mp3";
constexpr float LOOP_VOLUME = 0.07f;

void startLoop(AudioState& audio, const char* path) {
    Sound* sound = audio.ops->play2D(audio.soundEngine, path, true);
    if (!sound) return;
    audio.ops->setVolume(sound, LOOP_VOLUME);
    audio.ops->dropSound(sound);
}

void startEffect(AudioState& audio, const TimedEffect& effect) {
    Sound* sound = audio.ops->play3D(audio.soundEngine, effect.path, effect.position, false);
    if (!sound) return;
    audio.ops->setVolume(sound, effect.volume);
    audio.ops->setMinDistance(sound, effect.minDistance);
    audio.ops->dropSound(sound);
}

// Once per loop: the flag is set when the moment has passed, whether or not a sound came back.
void playOnce(AudioState& audio, const TimedEffect& effect, double secondsIntoLoop, bool& played) {
    if (played || !(secondsIntoLoop > effect.moment)) return;
    played = true;
    startEffect(audio, effect);
}

}  // namespace

AudioState* createAudioState(SoundEngine* engine, const SoundOps& ops) {
    AudioState* audio = new AudioState;
    audio->soundEngine = engine;
    audio->ops = &ops;
    return audio;
}

void startBackgroundLoops(AudioState& audio) {
    startLoop(audio, MUSIC_FILE);
    startLoop(audio, WIND_FILE);
}

void preloadTimedEffects(AudioState& audio) {
    for (const TimedEffect* effect : {&GLASS_EFFECT, &LANTERN_EFFECT})
        audio.ops->preload(audio.soundEngine, effect->path, true);
}

double loopTime(const AudioState& audio, float elapsedTime, long* loop) {
    // In double: 51.45 has no exact f32, and a later loop's start must not round the moment away.
    const double elapsed = static_cast<double>(elapsedTime);
    const long index = audio.flightLength > 0.0 ? static_cast<long>(std::floor(elapsed / audio.flightLength)) : 0;
    if (loop) *loop = index;
    return elapsed - static_cast<double>(index) * audio.flightLength;
}

void playTimedEffects(AudioState& audio, float elapsedTime) {
    long loop = 0;
    const double seconds = loopTime(audio, elapsedTime, &loop);
    // The camera has jumped back to the start of its path: the effects are due again.
    if (loop != audio.loop) {
        audio.loop = loop;
        audio.glassPlayed = false;
        audio.lanternPlayed = false;
    }
    playOnce(audio, GLASS_EFFECT, seconds, audio.glassPlayed);
    playOnce(audio, LANTERN_EFFECT, seconds, audio.lanternPlayed);
}

void resetTimedEffects(AudioState& audio) {
    audio.glassPlayed = false;
    audio.lanternPlayed = false;
    audio.loop = 0;
}

void destroyAudioState(AudioState* audio) {
    if (!audio) return;
    audio->ops->dropSoundEngine(audio->soundEngine);
    delete audio;
}
