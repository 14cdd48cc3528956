// hollowmere-bench: renders the flight with the game's own frame and says where a frame's time goes.
#include "app/input.h"
#include "core/gl.h"
#include "render/pass_timer.h"
#include "bench_report.h"
#include "common/arguments.h"
#include "common/offscreen_run.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

namespace {

struct BenchOptions {
    RunSetup setup;
    int frames = 60;  // timed ones
    int warmup = 3;
    bool cullingSwitch = false;  // F2 twice after the timed frames, the frame after each press timed
};

std::optional<int> parseArgs(int argc, char** argv, BenchOptions& options) {
    CLI::App app{"Renders the flight with the game's own frame and says where a frame's time goes.",
                 "hollowmere-bench"};
    useToolDefaults(app);
    app.add_option("--frames", options.frames, "timed frames, a fixed step apart over the whole flight")
        ->transform(wholeNumber(1, 1000000))
        ->capture_default_str();
    addSizeOption(app, options.setup.size);
    app.add_option("--warmup", options.warmup, "untimed frames first, the first of them always drawn")
        ->transform(wholeNumber(0, 1000000))
        ->capture_default_str();
    app.add_flag("--f2", options.cullingSwitch,
                 "after the timed frames, F2 released twice and the frame after each press timed");
    return readArguments(app, argc, argv);
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

// The untimed frames first, the first of them ending start-up; then the timed ones, each by its own
// timestamps and glFinish brackets and each pass by the timer; the first FIRST_FRAMES of them all, and
// those after F2, timed whole by glFinish brackets.
struct BenchRun {
    int untimed = 1;
    bool cullingSwitch = false;
    BenchReport report;
    PassTimer timer;
    unsigned int frameQueries[2] = {0, 0};
    std::chrono::steady_clock::time_point start;
};

int openBench(BenchRun& run, OffscreenGame& game) {
    BenchReport& report = run.report;
    report.flightSeconds = flightLength(game.registry);
    // N steps of this size cover the whole flight.
    report.stepSeconds = report.flightSeconds / static_cast<float>(report.frames);
    return run.untimed + report.frames + (run.cullingSwitch ? 2 : 0);
}

// The frames that follow start-up and the F2 presses are timed whole, each on its own.
bool timedWhole(const BenchRun& run, int index) {
    return index < FIRST_FRAMES || index >= run.untimed + run.report.frames;
}

float startFrame(BenchRun& run, OffscreenGame& game, int index) {
    if (index >= run.untimed + run.report.frames)
        keyCallback(game.renderer.window, GLFW_KEY_F2, 0, GLFW_RELEASE, 0);
    if (timedWhole(run, index)) {
        glFinish();
        run.start = std::chrono::steady_clock::now();
    }
    if (index < run.untimed) return 0.0f;
    if (index == run.untimed) {
        createPassTimer(run.timer);
        glGenQueries(2, run.frameQueries);
        game.renderer.passTimer = &run.timer;
    }
    glFinish();
    run.start = std::chrono::steady_clock::now();
    glQueryCounter(run.frameQueries[0], GL_TIMESTAMP);
    return run.report.stepSeconds;
}

bool finishFrame(BenchRun& run, int index) {
    if (timedWhole(run, index)) {
        glFinish();
        const double ms = msSince(run.start);
        if (index < FIRST_FRAMES) run.report.firstFramesMs.push_back(ms);
        if (index >= run.untimed + run.report.frames) run.report.cullingSwitchMs.push_back(ms);
        // The first frame as the game renders it, untimed per pass: start-up ends when it is finished.
        if (index == 0) run.report.startupMs = msSinceProcessStart();
    }
    if (index < run.untimed || index >= run.untimed + run.report.frames) return true;
    glQueryCounter(run.frameQueries[1], GL_TIMESTAMP);
    glFinish();
    BenchReport& report = run.report;
    report.frame.cpuMs.push_back(msSince(run.start));

    GLuint64 begin = 0, end = 0;
    glGetQueryObjectui64v(run.frameQueries[0], GL_QUERY_RESULT, &begin);
    glGetQueryObjectui64v(run.frameQueries[1], GL_QUERY_RESULT, &end);
    report.frame.gpuMs.push_back(end > begin ? static_cast<double>(end - begin) / 1.0e6 : 0.0);

    collectPassTimes(run.timer);
    for (int i = 0; i < PASS_COUNT; ++i) {
        report.passes[i].gpuMs.push_back(run.timer.gpuMs[i]);
        report.passes[i].cpuMs.push_back(run.timer.cpuMs[i]);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    BenchOptions options;
    if (const std::optional<int> status = parseArgs(argc, argv, options)) return *status;

    BenchRun run;
    run.untimed = std::max(1, options.warmup);
    run.cullingSwitch = options.cullingSwitch;
    run.report.frames = options.frames;
    run.report.warmup = options.warmup;
    run.report.width = options.setup.size.width;
    run.report.height = options.setup.size.height;
    RunHooks hooks;
    hooks.opened = [&run](OffscreenGame& game) { return openBench(run, game); };
    hooks.before = [&run](OffscreenGame& game, int index) { return startFrame(run, game, index); };
    hooks.after = [&run](OffscreenGame&, int index) { return finishFrame(run, index); };
    OffscreenGame game;
    runOffscreen(game, options.setup, hooks);

    std::cout << reportTable(run.report) << std::flush;
    std::cout << reportJson(run.report) << std::endl;
    return 0;
}
