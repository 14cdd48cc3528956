// Test support: the program-wide values (settings, toggles, frame-rate counter) put back after each test.
#pragma once

#include "core/frame_rate.h"
#include "core/settings.h"
#include "core/toggles.h"

#include <gtest/gtest.h>

#include <tuple>

// Every program-wide value, by reference.
inline auto programValues() {
    return std::tie(settings, wireframe, faceCulling, showFps, shadowsEnabled, volumetricEnabled,
                    normalMappingEnabled, restartRequested, frameCount, fps, fpsWindowStart);
}

// A copy of values referred to.
template <typename... T>
std::tuple<T...> copied(const std::tuple<T&...>& values) {
    return values;
}

// Fixture base of every suite that changes a program-wide value: whatever a test changes of them is put
// back when it ends, so no test sees another's.
struct ProgramValuesTest : ::testing::Test {
    decltype(copied(programValues())) saved = copied(programValues());
    void TearDown() override { programValues() = saved; }
};
