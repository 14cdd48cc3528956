// Without a sound device: no engine, and the game runs silently and quits on Escape.
#include "audio/sound_engine.h"
#include "support/game_run.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

// OpenAL Soft reads its configuration once per process: this one offers only the "null" backend,
// which opens with no speaker behind it.
const std::string configDir = makeTempDir("no-device");
const bool configured = [] {
    writeFile(configDir + "/null.conf", "[general]\ndrivers=null\n");
    return setenv("ALSOFT_CONF", (configDir + "/null.conf").c_str(), 1) == 0;
}();

TEST(NoSoundDevice, AnOutputWithoutSpeakersGivesNoEngine) {
    ASSERT_TRUE(configured);
    testing::internal::CaptureStdout();
    SoundEngine* engine = createSoundEngine();
    EXPECT_EQ(engine, nullptr);
    dropSoundEngine(engine);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(NoSoundDevice, TheGameRunsSilentlyAndQuitsOnEscape) {
    std::string dir = makeGameDir("no-device-game");
    // A device that cannot open, the way a machine without sound hardware looks.
    writeFile(dir + "/alsoft.conf", "[general]\ndrivers=oss\n[oss]\ndevice=" + dir + "/no-such-dsp\n");
    GameRun run = startGame(dir, 120.0, "ALSOFT_CONF=" + dir + "/alsoft.conf");
    ASSERT_FALSE(run.window.empty()) << gameOutput(run);
    // Past start-up, where the loops would start, and some turns of the loop.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    sendKey(run, "Escape");
    EXPECT_EQ(waitForExit(run, 30.0), 0) << gameOutput(run);
    std::string output = gameOutput(run);
    for (const char* word : {"AL lib", "ALSA", "no-such-dsp", "sound", "Sound", "mp3", "OpenAL"})
        EXPECT_EQ(output.find(word), std::string::npos) << word << " in:\n" << output;
}

}  // namespace
