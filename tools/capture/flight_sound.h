// Flight sound: the game's mix of the flight rendered offline, in step with the captured frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct AudioState;
struct Registry;

inline constexpr int FLIGHT_SOUND_RATE = 48000;

struct FlightSound {
    AudioState* audio = nullptr;   // owns the loopback engine
    long long mixed = 0;           // frames mixed since flight time 0, kept or not
    long long keptFrom = -1;       // the frame where the kept sound starts; -1 before any is kept
    std::vector<int16_t> samples;  // the kept sound, 16-bit stereo
};

// The loopback engine with the music and wind started at flight time 0, as at the game's start-up;
// false (and a line saying so) when OpenAL Soft offers no loopback device.
bool openFlightSound(FlightSound& sound, Registry& registry);

// Mixes on to flight time `until`, heard from the player's camera as posed now; the timed effects start on
// their moments, to the millisecond. Only a kept part goes into the recording.
void mixFlightSound(FlightSound& sound, Registry& registry, double until, bool keep);

// The kept sound as a 16-bit stereo WAV file; false when it cannot be written.
bool writeWav(const std::string& path, const FlightSound& sound);

void closeFlightSound(FlightSound& sound);
