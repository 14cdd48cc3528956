// scripts/with-display: a command without a display gets a virtual one started for it and gone after it, and
// its exit status; a virtual display that cannot start is one line and status 1.
#include "support/process.h"

#include <gtest/gtest.h>

namespace {

std::string withDisplay() { return "'" + sourceDir() + "/scripts/with-display' "; }

}  // namespace

TEST(WithDisplay, ACommandWithoutADisplayGetsAVirtualOneForItsRunAndKeepsItsStatus) {
    const CommandResult run =
        runCommand("env -u DISPLAY " + withDisplay() + "sh -c 'echo \"display $DISPLAY\"; xwininfo -root >/dev/null && exit 7'");
    EXPECT_EQ(run.status, 7) << run.output;
    const std::size_t at = run.output.find("display :");
    ASSERT_NE(at, std::string::npos) << run.output;
    const std::string display = run.output.substr(at + 8, run.output.find('\n', at) - at - 8);
    // Stopped with the command: nothing answers on that display any more.
    EXPECT_NE(runCommand("xwininfo -root -display '" + display + "'").status, 0) << display << " still answers";
}

TEST(WithDisplay, AVirtualDisplayThatCannotStartIsOneLineAndStatus1) {
    const std::string bin = makeTempDir("no-xvfb");
    writeFile(bin + "/Xvfb", "#!/bin/sh\nexit 1\n");
    ASSERT_EQ(runCommand("chmod +x '" + bin + "/Xvfb'").status, 0);
    const CommandResult run =
        runCommand("env -u DISPLAY PATH='" + bin + "':\"$PATH\" " + withDisplay() + "sh -c 'echo ran'");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(run.output, "the virtual display (Xvfb) did not start\n");
}
