// GL debug output: the driver's messages one line each, and an error counted against the test that made it.
#include "core/gl_debug.h"
#include "support/gl_context.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <sstream>

using GlDebug = GlTest;

TEST_F(GlDebug, AnErrorIsPrintedAsOneLineInTheCallThatMadeItAndCounted) {
    if (!GL_DEBUG_BUILD) GTEST_SKIP() << "built without HOLLOWMERE_GL_DEBUG";
    std::stringstream captured;
    std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
    const int before = glErrorsReported();
    glEnable(0x7FFF);  // no such capability: GL_INVALID_ENUM
    const int after = glErrorsReported();
    glDisable(0x7FFF);
    std::cout.rdbuf(old);
    // Counted before the call returned, once per call.
    EXPECT_EQ(after, before + 1);
    EXPECT_EQ(glErrorsReported(), before + 2);
    const std::string out = captured.str();
    EXPECT_EQ(out.rfind(GL_ERROR_PREFIX, 0), 0u) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2) << out;
    errorsBefore = glErrorsReported();  // made on purpose: the fixture fails a test only for others
}

TEST(GlDebugLine, AMessageOfSeveralLinesIsOneLineNamingItsKind) {
    const struct { unsigned int type; const char* message; const char* line; } cases[] = {
        {GL_DEBUG_TYPE_ERROR, "GL_INVALID_ENUM in glEnable(0x7fff)\n", "GL error: GL_INVALID_ENUM in glEnable(0x7fff)"},
        {GL_DEBUG_TYPE_PERFORMANCE, "slow path\ntaken twice\n", "GL performance: slow path taken twice"},
        {GL_DEBUG_TYPE_OTHER, "note", "GL message: note"},
    };
    for (const auto& c : cases) EXPECT_EQ(debugLine(c.type, c.message), c.line) << c.message;
}
