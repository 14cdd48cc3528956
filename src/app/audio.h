// Audio state of a run: the engine and the two one-shot effect flags.
#pragma once

struct SoundEngine;

struct AudioState {
    SoundEngine* soundEngine = nullptr;  // null when no sound device opened: the game runs silently
    bool glassPlayed = false;            // since the last (re)start
    bool lanternPlayed = false;          // since the last (re)start
};
