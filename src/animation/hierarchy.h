// Node hierarchy: clip time from seconds; the walks themselves are Model operations (assets/model.h).
#pragma once

struct aiAnimation;

inline constexpr double DEFAULT_TICKS_PER_SECOND = 25.0;

// The clip's rate, 25 when the file gives 0.
double ticksPerSecond(const aiAnimation& animation);

// Seconds to ticks, wrapped into the clip's duration (fmod, sign kept); 0 for a clip without length.
float animationTicks(const aiAnimation& animation, float seconds);
