// Benchmark figures: per-frame samples, their percentiles, the table and the JSON line.
#pragma once

#include "render/pass_timer.h"

#include <array>
#include <string>
#include <vector>

// One measured quantity over the frames, GPU timer and CPU glFinish figures side by side.
struct Samples {
    std::vector<double> gpuMs;
    std::vector<double> cpuMs;
};

struct Spread {
    double median = 0.0;
    double p10 = 0.0;
    double p90 = 0.0;
};

// Frames after start-up timed each on its own: where one-time work left in the flight would show.
inline constexpr int FIRST_FRAMES = 5;

struct BenchReport {
    int frames = 0;
    int warmup = 0;
    int width = 0;
    int height = 0;
    float flightSeconds = 0.0f;
    float stepSeconds = 0.0f;
    double startupMs = 0.0;
    std::vector<double> firstFramesMs;    // the first FIRST_FRAMES frames, whole, in order
    std::vector<double> cullingSwitchMs;  // with --f2: the frame after each of the two presses
    Samples frame;
    std::array<Samples, PASS_COUNT> passes;
};

// Linear interpolation between the closest ranks; q in 0..1; 0 for no values.
double percentile(std::vector<double> values, double q);
Spread spreadOf(const std::vector<double>& values);

std::string reportTable(const BenchReport& report);
// One line of JSON, no line end.
std::string reportJson(const BenchReport& report);
