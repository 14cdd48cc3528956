// Sound engine: placeholder layer until the OpenAL Soft backend is in.
#include "app/sound_engine.h"

void setListenerPosition(SoundEngine* /*engine*/, const glm::vec3& /*position*/, const glm::vec3& /*lookDirection*/,
                         const glm::vec3& /*velocity*/, const glm::vec3& /*up*/) {}
