// Test support: the program-wide values (settings, toggles, frame-rate counter) put back after each test.
#pragma once

#include "core/settings.h"

#include <gtest/gtest.h>

struct ProgramValues {
    Settings settings;
    bool wireframe = false, faceCulling = true, showFps = true, shadowsEnabled = true, volumetricEnabled = true,
         normalMappingEnabled = true, restartRequested = false;
    int frameCount = 0;
    float fps = 0.0f, fpsWindowStart = 0.0f;
};

ProgramValues currentProgramValues();
void restoreProgramValues(const ProgramValues& values);

// Sets the settings' window size; the fixture below puts it back.
void useWindowSize(float width, float height);

// Fixture base of every suite that changes a program-wide value: whatever a test changes of them is put
// back when it ends, so no test sees another's.
struct ProgramValuesTest : ::testing::Test {
    ProgramValues saved = currentProgramValues();
    void TearDown() override { restoreProgramValues(saved); }
};
