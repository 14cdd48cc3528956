// Test support: one hidden GL 4.3 core window per test binary, shared by its tests.
#pragma once

#include "core/gl.h"
#include "core/gl_debug.h"
#include "support/program_values.h"

#include <gtest/gtest.h>

// Creates the window on first use (GLEW initialised, context current) and returns it.
GLFWwindow* sharedGlWindow();

// Fixture for GL suites: makes sure the shared context exists and is current; program-wide values are put
// back after each test.
// A GL error the driver reports during a test fails that test.
struct GlTest : ProgramValuesTest {
    int errorsBefore = 0;
    static void SetUpTestSuite() { sharedGlWindow(); }
    void SetUp() override {
        glfwMakeContextCurrent(sharedGlWindow());
        errorsBefore = glErrorsReported();
    }
    void TearDown() override {
        EXPECT_EQ(glErrorsReported(), errorsBefore) << "GL reported errors in this test (the \"" << GL_ERROR_PREFIX
                                                    << "\" lines above)";
        ProgramValuesTest::TearDown();
    }
};
