// Test support: reading and putting back the program-wide values.
#include "support/program_values.h"

#include "core/frame_rate.h"
#include "core/toggles.h"

#include <tuple>

namespace {
// Every program-wide value, in the order of ProgramValues.
auto all() {
    return std::tie(settings, wireframe, faceCulling, showFps, shadowsEnabled, volumetricEnabled,
                    normalMappingEnabled, restartRequested, frameCount, fps, fpsWindowStart);
}
}  // namespace

ProgramValues currentProgramValues() { return std::make_from_tuple<ProgramValues>(all()); }

void restoreProgramValues(const ProgramValues& v) {
    all() = std::tie(v.settings, v.wireframe, v.faceCulling, v.showFps, v.shadowsEnabled, v.volumetricEnabled,
                     v.normalMappingEnabled, v.restartRequested, v.frameCount, v.fps, v.fpsWindowStart);
}

void useWindowSize(float width, float height) {
    settings.width = width;
    settings.height = height;
}
