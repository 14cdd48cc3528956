// Audio of a run: background loops at start-up, the lantern and the glass break at their moments.
#include "app/audio.h"

#include "app/sound_engine.h"

const SoundOps soundEngineOps = {play2D, play3D, setVolume, setMinDistance, dropSound, dropSoundEngine};

namespace {

constexpr const char* MUSIC_FILE = "Resources/spooky_song2.mp3";
constexpr const char* WIND_FILE = "Resources/wind.mp3";
constexpr const char* GLASS_FILE = "Resources/glass_breaks.mp3";
constexpr const char* LANTERN_FILE = "Resources/lantern.mp3";
constexpr float LOOP_VOLUME = 0.07f;
constexpr double GLASS_TIME = 51.45;
constexpr float LANTERN_TIME = 20.0f;

void startLoop(AudioState& audio, const char* path) {
    Sound* sound = audio.ops->play2D(audio.soundEngine, path, true);
    if (!sound) return;
    audio.ops->setVolume(sound, LOOP_VOLUME);
    audio.ops->dropSound(sound);
}

void startEffect(AudioState& audio, const char* path, const glm::vec3& position, float volume, float minDistance) {
    Sound* sound = audio.ops->play3D(audio.soundEngine, path, position, false);
    if (!sound) return;
    audio.ops->setVolume(sound, volume);
    audio.ops->setMinDistance(sound, minDistance);
    audio.ops->dropSound(sound);
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

void playTimedEffects(AudioState& audio, float elapsedTime) {
    // The glass threshold is compared in double: 51.45 has no exact f32.
    if (static_cast<double>(elapsedTime) > GLASS_TIME && !audio.glassPlayed) {
        audio.glassPlayed = true;
        startEffect(audio, GLASS_FILE, glm::vec3(1.6f, 1.0f, -51.15f), 0.3f, 3.0f);
    }
    if (elapsedTime > LANTERN_TIME && !audio.lanternPlayed) {
        audio.lanternPlayed = true;
        startEffect(audio, LANTERN_FILE, glm::vec3(-3.454f, 1.549f, -50.56f), 1.0f, 2.5f);
    }
}

void resetTimedEffects(AudioState& audio) {
    audio.glassPlayed = false;
    audio.lanternPlayed = false;
}

void destroyAudioState(AudioState* audio) {
    if (!audio) return;
    audio->ops->dropSoundEngine(audio->soundEngine);
    delete audio;
}
