// Hostile settings files through the game binary: each value past its limits is named on one line with the
// value used instead, and the window, the sky, the font and the targets are still made at the file's size.
#include "support/process.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(SettingsFuzzGame, EachValuePastItsLimitsIsNamedAndTheGameGetsAsFarAsItsShaders) {
    // Without the shadow program's file the game ends right after everything sized by the settings is made.
    const std::string dir = makeTempDir("settings-fuzz-game");
    std::filesystem::copy(sourceDir() + "/Resources", dir + "/Resources", std::filesystem::copy_options::recursive);
    std::filesystem::remove_all(dir + "/Resources/models");
    ASSERT_TRUE(std::filesystem::remove(dir + "/Resources/shader/vertexShadow.shader"));
    const std::string ending = "Failed to open shader file: Resources/shader/vertexShadow.shader\n";
    const struct { const char* file; const char* lines; } cases[] = {
        {"[window]\nWIDTH=0\nHEIGHT=-7\n", "Invalid WIDTH=0 in settings: using 800 instead\n"
                                          "Invalid HEIGHT=-7 in settings: using 600 instead\n"},
        {"[window]\nWIDTH=16385\nHEIGHT=1e39\nREFRESH_RATE=1001\n",
         "Invalid WIDTH=16385 in settings: using 800 instead\nInvalid HEIGHT=1e39 in settings: using 600 instead\n"
         "Invalid REFRESH_RATE=1001 in settings: using 60 instead\n"},
        {"[window]\nWIDTH=16384\nHEIGHT=1\nREFRESH_RATE=1000\nBRIGHTNESS=-1e30\n", ""},
        {"[window]\nBRIGHTNESS=nan\nREFRESH_RATE=0.5\n",
         "Invalid REFRESH_RATE=0.5 in settings: using 60 instead\nInvalid BRIGHTNESS=nan in settings: using 0.5 "
         "instead\n"},
        {"[window]\r\nwidth = -1\x01\x02 ; x\r\nFULLSCREEN=maybe\r\nHEIGHT=wide\r\n",
         "Invalid WIDTH=-1?? in settings: using 800 instead\n"},
        {"[window]\nWIDTH=99999999999999999999999999999999999999999999999999999999999999999999999999",
         "Invalid WIDTH=9999999999999999999999999999999999999999999999999999999999999999... in settings: "
         "using 800 instead\n"},
        {"WIDTH=0\n[other]\nHEIGHT=0\n[window\nREFRESH_RATE=0\n", ""},
        // Lines that do not parse are passed over; the reading goes on after them.
        {"[window]\n\x01 stray\n===\n\xff\xfe\nWIDTH=0\n", "Invalid WIDTH=0 in settings: using 800 instead\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        writeFile(dir + "/Resources/settings.ini", c.file);
        const CommandResult run =
            runCommand("cd " + dir + " && ALSOFT_DRIVERS=null timeout 60 " + binaryDir() + "/hollowmere");
        EXPECT_EQ(run.status, 255) << run.output;
        EXPECT_EQ(run.output, c.lines + ending);
    }
}
