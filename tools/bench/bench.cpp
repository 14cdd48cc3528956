// hollowmere-bench: renders the flight with the game's own frame and says where a frame's time goes.
#include "app/frame.h"
#include "app/gl.h"
#include "app/offscreen.h"
#include "app/pass_timer.h"
#include "bench_report.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

struct BenchOptions {
    int frames = 60;
    int warmup = 3;
    int width = 1280;
    int height = 720;
};

void usage() { std::cout << "usage: hollowmere-bench [--frames N] [--size WxH] [--warmup K]" << std::endl; }

bool parseCount(const char* text, int minimum, int& out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < minimum || value > 1000000) return false;
    out = static_cast<int>(value);
    return true;
}

bool parseArgs(int argc, char** argv, BenchOptions& options) {
    for (int i = 1; i < argc; i += 2) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return false;
        const char* value = argv[i + 1];
        bool ok = false;
        if (arg == "--frames") ok = parseCount(value, 1, options.frames);
        else if (arg == "--warmup") ok = parseCount(value, 0, options.warmup);
        else if (arg == "--size") ok = parseSize(value, options.width, options.height);
        if (!ok) return false;
    }
    return true;
}

// Milliseconds since this process started: its start time in /proc/self/stat against the boot clock.
double msSinceProcessStart() {
    std::ifstream in("/proc/self/stat");
    std::string line;
    std::getline(in, line);
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) return 0.0;
    // The fields after the command name start at the third; the start time is the twenty-second.
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {}
    const double startSeconds = std::strtod(field.c_str(), nullptr) / static_cast<double>(sysconf(_SC_CLK_TCK));
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return (static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9 - startSeconds) * 1000.0;
}

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// One timed frame: the whole frame by its own timestamps and glFinish brackets, each pass by the timer.
void timeFrame(OffscreenGame& game, PassTimer& timer, unsigned int frameQueries[2], float step, BenchReport& report) {
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    glQueryCounter(frameQueries[0], GL_TIMESTAMP);
    renderFrame(game.renderer, game.registry, step);
    glQueryCounter(frameQueries[1], GL_TIMESTAMP);
    glFinish();
    report.frame.cpuMs.push_back(msSince(start));

    GLuint64 begin = 0, end = 0;
    glGetQueryObjectui64v(frameQueries[0], GL_QUERY_RESULT, &begin);
    glGetQueryObjectui64v(frameQueries[1], GL_QUERY_RESULT, &end);
    report.frame.gpuMs.push_back(end > begin ? static_cast<double>(end - begin) / 1.0e6 : 0.0);

    collectPassTimes(timer);
    for (int i = 0; i < PASS_COUNT; ++i) {
        report.passes[i].gpuMs.push_back(timer.gpuMs[i]);
        report.passes[i].cpuMs.push_back(timer.cpuMs[i]);
    }
}

}  // namespace

int main(int argc, char** argv) {
    BenchOptions options;
    if (!parseArgs(argc, argv, options)) {
        usage();
        return 2;
    }
    OffscreenGame game;
    openOffscreenGame(game, options.width, options.height);

    BenchReport report;
    report.frames = options.frames;
    report.warmup = options.warmup;
    report.width = options.width;
    report.height = options.height;
    report.flightSeconds = flightLength(game.registry);
    // N steps of this size cover the whole flight.
    report.stepSeconds = report.flightSeconds / static_cast<float>(options.frames);

    // The first frame as the game renders it, untimed per pass: start-up ends when it is finished.
    setFlightTime(game.registry, 0.0f);
    renderFrame(game.renderer, game.registry, 0.0f);
    glFinish();
    report.startupMs = msSinceProcessStart();
    for (int i = 1; i < options.warmup; ++i) renderFrame(game.renderer, game.registry, 0.0f);

    PassTimer timer;
    createPassTimer(timer);
    unsigned int frameQueries[2] = {0, 0};
    glGenQueries(2, frameQueries);
    game.renderer.passTimer = &timer;
    for (int frame = 0; frame < options.frames; ++frame) timeFrame(game, timer, frameQueries, report.stepSeconds, report);
    game.renderer.passTimer = nullptr;

    std::cout << reportTable(report) << std::flush;
    std::cout << reportJson(report) << std::endl;
    shutdownRenderer(game.renderer);
    return 0;
}
