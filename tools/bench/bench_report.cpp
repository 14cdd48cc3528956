// Benchmark figures as a table for people and one JSON line for scripts.
#include "bench_report.h"

#include <algorithm>
#include <cstdio>

double percentile(std::vector<double> values, double q) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const double rank = q * static_cast<double>(values.size() - 1);
    const std::size_t low = static_cast<std::size_t>(rank);
    const std::size_t high = std::min(low + 1, values.size() - 1);
    const double fraction = rank - static_cast<double>(low);
    return values[low] + (values[high] - values[low]) * fraction;
}

Spread spreadOf(const std::vector<double>& values) {
    return Spread{percentile(values, 0.5), percentile(values, 0.1), percentile(values, 0.9)};
}

namespace {

std::string format(const char* pattern, double a, double b, double c) {
    char line[128];
    std::snprintf(line, sizeof line, pattern, a, b, c);
    return line;
}

std::string tableRow(const std::string& name, const Samples& samples) {
    const Spread gpu = spreadOf(samples.gpuMs);
    const Spread cpu = spreadOf(samples.cpuMs);
    char label[32];
    std::snprintf(label, sizeof label, "%-11s", name.c_str());
    return label + format("%10.2f %9.2f %9.2f", gpu.median, gpu.p10, gpu.p90) + "  |" +
           format("%10.2f %9.2f %9.2f", cpu.median, cpu.p10, cpu.p90) + "\n";
}

std::string jsonSpread(const Spread& s) {
    return format("{\"median\":%.3f,\"p10\":%.3f,\"p90\":%.3f}", s.median, s.p10, s.p90);
}

std::string jsonSamples(const Samples& samples) {
    return "{\"gpu\":" + jsonSpread(spreadOf(samples.gpuMs)) + ",\"cpu\":" + jsonSpread(spreadOf(samples.cpuMs)) + "}";
}

// The run's own figures through `format`, which picks them by position (the table and the JSON line name
// them in different orders): 1 frames, 2 warm-up, 3 width, 4 height, 5 flight s, 6 step s, 7 start-up ms.
std::string runFigures(const char* format, const BenchReport& report) {
    char text[256];
    std::snprintf(text, sizeof text, format, report.frames, report.warmup, report.width, report.height,
                  static_cast<double>(report.flightSeconds), static_cast<double>(report.stepSeconds),
                  report.startupMs);
    return text;
}

// Each value through pattern, one after the other.
std::string msList(const std::vector<double>& values, const char* pattern) {
    std::string text;
    char one[32];
    for (double value : values) {
        std::snprintf(one, sizeof one, pattern, value);
        text += one;
    }
    return text;
}

}  // namespace

std::string reportTable(const BenchReport& report) {
    std::string table = runFigures("%1$d frames at %3$dx%4$d over %5$.2f s of flight (step %6$.3f s), "
                                   "after %2$d warm-up frames\n"
                                   "start-up: %7$.1f ms (process start to first frame)\n",
                                   report);
    table += "first frames:" + msList(report.firstFramesMs, " %.1f") + " ms\n";
    if (!report.cullingSwitchMs.empty()) table += "after F2:" + msList(report.cullingSwitchMs, " %.1f") + " ms\n";
    table += "ms          GPU median       p10       p90  |CPU median       p10       p90\n";
    table += tableRow("frame", report.frame);
    for (int i = 0; i < PASS_COUNT; ++i) table += tableRow(PASS_NAMES[i], report.passes[i]);
    return table;
}

std::string reportJson(const BenchReport& report) {
    std::string json = runFigures("{\"frames\":%1$d,\"warmup\":%2$d,\"width\":%3$d,\"height\":%4$d,"
                                  "\"flightSeconds\":%5$.3f,\"stepSeconds\":%6$.4f,\"startupMs\":%7$.1f,",
                                  report);
    json += "\"frame\":" + jsonSamples(report.frame) + ",\"passes\":{";
    for (int i = 0; i < PASS_COUNT; ++i) {
        if (i) json += ",";
        json += std::string("\"") + PASS_NAMES[i] + "\":" + jsonSamples(report.passes[i]);
    }
    json += "},\"firstFramesMs\":[" + msList(report.firstFramesMs, ",%.1f").substr(1) + "]";
    if (!report.cullingSwitchMs.empty())
        json += ",\"cullingSwitchMs\":[" + msList(report.cullingSwitchMs, ",%.1f").substr(1) + "]";
    return json + "}";
}
