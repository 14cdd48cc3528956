// Sound engine: our own layer on OpenAL Soft (mixing, 3D placement) and mpg123 (decoding).
#pragma once

#include <glm/glm.hpp>

struct SoundEngine;

// Moves the 3D listener; a null engine (no sound device) ignores the call.
void setListenerPosition(SoundEngine* engine, const glm::vec3& position, const glm::vec3& lookDirection,
                         const glm::vec3& velocity, const glm::vec3& up);
