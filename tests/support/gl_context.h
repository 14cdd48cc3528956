// Test support: one hidden GL 4.3 core window per test binary, shared by its tests.
#pragma once

#include "core/gl.h"
#include "support/program_values.h"

#include <gtest/gtest.h>

// Creates the window on first use (GLEW initialised, context current) and returns it.
GLFWwindow* sharedGlWindow();

// Fixture for GL suites: makes sure the shared context exists and is current; program-wide values are put
// back after each test.
struct GlTest : ProgramValuesTest {
    static void SetUpTestSuite() { sharedGlWindow(); }
    void SetUp() override { glfwMakeContextCurrent(sharedGlWindow()); }
};
