// Test support: reading and putting back the program-wide values.
#include "support/program_values.h"

#include "core/frame_rate.h"
#include "core/toggles.h"

ProgramValues currentProgramValues() {
    return {settings,      wireframe,           faceCulling,          showFps,    shadowsEnabled,
            volumetricEnabled, normalMappingEnabled, restartRequested, frameCount, fps,
            fpsWindowStart};
}

void restoreProgramValues(const ProgramValues& values) {
    settings = values.settings;
    wireframe = values.wireframe;
    faceCulling = values.faceCulling;
    showFps = values.showFps;
    shadowsEnabled = values.shadowsEnabled;
    volumetricEnabled = values.volumetricEnabled;
    normalMappingEnabled = values.normalMappingEnabled;
    restartRequested = values.restartRequested;
    frameCount = values.frameCount;
    fps = values.fps;
    fpsWindowStart = values.fpsWindowStart;
}

void useWindowSize(float width, float height) {
    settings.width = width;
    settings.height = height;
}
