// Benchmark figures as a table for people and one JSON line (nlohmann-json) for scripts.
#include "bench_report.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
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

// Rounded to what the figures can tell apart, so the line stays short; dividing by the exact power of ten gives
// the double nearest the decimal, which prints as that decimal.
double rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

nlohmann::ordered_json jsonSpread(const Spread& s) {
    return {{"median", rounded(s.median, 3)}, {"p10", rounded(s.p10, 3)}, {"p90", rounded(s.p90, 3)}};
}

nlohmann::ordered_json jsonSamples(const Samples& samples) {
    return {{"gpu", jsonSpread(spreadOf(samples.gpuMs))}, {"cpu", jsonSpread(spreadOf(samples.cpuMs))}};
}

nlohmann::ordered_json roundedList(const std::vector<double>& values) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (double value : values) list.push_back(rounded(value, 1));
    return list;
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
    char head[256];
    std::snprintf(head, sizeof head,
                  "%d frames at %dx%d over %.2f s of flight (step %.3f s), after %d warm-up frames\n"
                  "start-up: %.1f ms (process start to first frame)\n",
                  report.frames, report.width, report.height, static_cast<double>(report.flightSeconds),
                  static_cast<double>(report.stepSeconds), report.warmup, report.startupMs);
    std::string table = head;
    table += "first frames:" + msList(report.firstFramesMs, " %.1f") + " ms\n";
    if (!report.cullingSwitchMs.empty()) table += "after F2:" + msList(report.cullingSwitchMs, " %.1f") + " ms\n";
    table += "ms          GPU median       p10       p90  |CPU median       p10       p90\n";
    table += tableRow("frame", report.frame);
    for (int i = 0; i < PASS_COUNT; ++i) table += tableRow(PASS_NAMES[i], report.passes[i]);
    return table;
}

std::string reportJson(const BenchReport& report) {
    // Kept in this order; a new figure is one more line.
    nlohmann::ordered_json json;
    json["frames"] = report.frames;
    json["warmup"] = report.warmup;
    json["width"] = report.width;
    json["height"] = report.height;
    json["flightSeconds"] = rounded(report.flightSeconds, 3);
    json["stepSeconds"] = rounded(report.stepSeconds, 4);
    json["startupMs"] = rounded(report.startupMs, 1);
    json["frame"] = jsonSamples(report.frame);
    nlohmann::ordered_json& passes = json["passes"];
    for (int i = 0; i < PASS_COUNT; ++i) passes[PASS_NAMES[i]] = jsonSamples(report.passes[i]);
    json["firstFramesMs"] = roundedList(report.firstFramesMs);
    if (!report.cullingSwitchMs.empty()) json["cullingSwitchMs"] = roundedList(report.cullingSwitchMs);
    return json.dump();
}
