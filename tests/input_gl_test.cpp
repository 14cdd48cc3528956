// Keys: release-only toggles, the GL state F1 and F2 set, the restart request.
#include "app/input.h"
#include "support/gl_context.h"

namespace {
void release(int key, int mods = 0) { keyCallback(sharedGlWindow(), key, 0, GLFW_RELEASE, mods); }
void press(int key) { keyCallback(sharedGlWindow(), key, 0, GLFW_PRESS, 0); }
void repeat(int key) { keyCallback(sharedGlWindow(), key, 0, GLFW_REPEAT, 0); }

int polygonMode() {
    int modes[2] = {};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    return modes[0];
}
}  // namespace

using InputTest = GlTest;

TEST_F(InputTest, OnlyReleasesAct) {
    const bool before = showFps;
    press(GLFW_KEY_F3);
    repeat(GLFW_KEY_F3);
    EXPECT_EQ(showFps, before);
    press(GLFW_KEY_ESCAPE);
    EXPECT_FALSE(glfwWindowShouldClose(sharedGlWindow()));
    release(GLFW_KEY_F3);
    EXPECT_EQ(showFps, !before);
    release(GLFW_KEY_F3);
    EXPECT_EQ(showFps, before);
}

TEST_F(InputTest, F1TogglesWireframeAndBack) {
    ASSERT_FALSE(wireframe);
    EXPECT_EQ(polygonMode(), GL_FILL);
    release(GLFW_KEY_F1);
    EXPECT_TRUE(wireframe);
    EXPECT_EQ(polygonMode(), GL_LINE);
    // Modifiers change nothing.
    release(GLFW_KEY_F1, GLFW_MOD_SHIFT);
    EXPECT_FALSE(wireframe);
    EXPECT_EQ(polygonMode(), GL_FILL);
}

TEST_F(InputTest, F2SwitchesCulling) {
    glEnable(GL_CULL_FACE);
    ASSERT_TRUE(faceCulling);
    release(GLFW_KEY_F2);
    EXPECT_FALSE(faceCulling);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    release(GLFW_KEY_F2, GLFW_MOD_CONTROL);
    EXPECT_TRUE(faceCulling);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
}

TEST_F(InputTest, FeatureKeysStartOnAndFlip) {
    EXPECT_TRUE(shadowsEnabled);
    EXPECT_TRUE(volumetricEnabled);
    EXPECT_TRUE(normalMappingEnabled);
    release(GLFW_KEY_F4);
    release(GLFW_KEY_F5);
    release(GLFW_KEY_F6);
    EXPECT_FALSE(shadowsEnabled);
    EXPECT_FALSE(volumetricEnabled);
    EXPECT_FALSE(normalMappingEnabled);
    release(GLFW_KEY_F4);
    release(GLFW_KEY_F5);
    release(GLFW_KEY_F6);
    EXPECT_TRUE(shadowsEnabled && volumetricEnabled && normalMappingEnabled);
    // Keys the game does not use change nothing.
    release(GLFW_KEY_F7);
    release(GLFW_KEY_A);
    EXPECT_TRUE(shadowsEnabled && volumetricEnabled && normalMappingEnabled && !wireframe);
}

TEST_F(InputTest, EnterRequestsOneRestartAndEscapeCloses) {
    restartRequested = false;
    press(GLFW_KEY_ENTER);
    EXPECT_FALSE(restartRequested);
    release(GLFW_KEY_ENTER);
    release(GLFW_KEY_ENTER);
    EXPECT_TRUE(restartRequested);  // one flag, one restart
    release(GLFW_KEY_ESCAPE);
    EXPECT_TRUE(glfwWindowShouldClose(sharedGlWindow()));
    glfwSetWindowShouldClose(sharedGlWindow(), GLFW_FALSE);
}
