// Test support: a stopped game clock through libfaketime's preload library.
#include "support/stopped_clock.h"

#include "support/process.h"

#include <cstdio>
#include <filesystem>

namespace {

std::string faketimeLibrary() {
    for (const char* path : {"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                             "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1",
                             "/usr/lib/faketime/libfaketime.so.1"})
        if (std::filesystem::exists(path)) return path;
    return {};
}

}  // namespace

StoppedClock makeStoppedClock(const std::string& dir) {
    StoppedClock clock;
    clock.file = dir + "/clock.rc";
    setClockTime(clock, 0);
    const std::string library = faketimeLibrary();
    if (library.empty()) return clock;
    // No sound device is looked for: its probing waits on the clock. The clock file is read again each second.
    clock.env = "ALSOFT_DRIVERS=no-device LD_PRELOAD=" + library + " FAKETIME_TIMESTAMP_FILE=" + clock.file +
                " FAKETIME_CACHE_DURATION=1";
    return clock;
}

void setClockTime(const StoppedClock& clock, int seconds) {
    // An absolute date stops the clock there: every frame then draws the same instant.
    char setting[64];
    std::snprintf(setting, sizeof setting, "2026-01-01 00:%02d:%02d\n", seconds / 60 % 60, seconds % 60);
    writeFile(clock.file + ".new", setting);
    // Renamed into place so the game never reads half a line.
    std::filesystem::rename(clock.file + ".new", clock.file);
}
