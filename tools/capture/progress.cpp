// Capture progress: one line in a terminal, a line each tenth of the way in a log.
#include "progress.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

std::string minutes(double seconds) {
    const long whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

std::string progressLine(const Progress& progress, int done, double flightTime) {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - progress.start).count();
    char head[96];
    std::snprintf(head, sizeof head, "frame %d/%d (%d %%) at %.4g s, ", done, progress.count,
                  static_cast<int>(100LL * done / progress.count), flightTime);
    if (done == progress.count) return head + ("took " + minutes(elapsed));
    return head + minutes(elapsed / done * (progress.count - done)) + " left";
}

}  // namespace

Progress startProgress(int count) {
    Progress progress;
    progress.count = count;
    progress.terminal = isatty(STDOUT_FILENO);
    progress.start = std::chrono::steady_clock::now();
    return progress;
}

void showProgress(Progress& progress, int done, double flightTime) {
    if (progress.terminal) {
        // Back to the line's start and cleared to its end, as the new text may be shorter.
        std::cout << "\r" << progressLine(progress, done, flightTime) << "\033[K" << std::flush;
        progress.lineOpen = true;
        if (done == progress.count) endProgressLine(progress);
        return;
    }
    const int tenths = static_cast<int>(10LL * done / progress.count);
    if (tenths <= progress.tenthsShown) return;
    progress.tenthsShown = tenths;
    std::cout << progressLine(progress, done, flightTime) << std::endl;
}

void endProgressLine(Progress& progress) {
    if (progress.lineOpen) std::cout << std::endl;
    progress.lineOpen = false;
}
