// hollowmere-bench end to end, and the pass timer inside the game's frame.
#include "app/startup.h"
#include "core/gl.h"
#include "core/settings.h"
#include "core/toggles.h"
#include "render/frame.h"
#include "render/pass_timer.h"
#include "render/renderer.h"
#include "support/process.h"
#include "support/program_values.h"
#include "world/registry.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Just enough JSON to read the benchmark's line: objects, strings and numbers, flattened to "a.b.c" keys.
struct Json {
    const std::string& text;
    std::size_t at = 0;
    std::map<std::string, double> numbers;
    bool ok = true;

    void space() {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    }
    bool eat(char c) {
        space();
        if (at < text.size() && text[at] == c) return ++at, true;
        return false;
    }
    std::string string() {
        std::string out;
        if (!eat('"')) return ok = false, out;
        while (at < text.size() && text[at] != '"') out += text[at++];
        if (at >= text.size()) ok = false;
        ++at;
        return out;
    }
    void value(const std::string& key) {
        space();
        if (at < text.size() && text[at] == '{') return object(key);
        const char* start = text.c_str() + at;
        char* end = nullptr;
        const double number = std::strtod(start, &end);
        if (end == start) return void(ok = false);
        at += static_cast<std::size_t>(end - start);
        numbers[key] = number;
    }
    void object(const std::string& prefix) {
        if (!eat('{')) return void(ok = false);
        if (eat('}')) return;
        do {
            const std::string key = string();
            if (!ok || !eat(':')) return void(ok = false);
            value(prefix.empty() ? key : prefix + "." + key);
        } while (ok && eat(','));
        if (!eat('}')) ok = false;
    }
    static Json parse(const std::string& text) {
        Json json{text, 0, {}, true};
        json.object("");
        json.space();
        if (json.at != text.size()) json.ok = false;
        return json;
    }
};

std::string lastLine(const std::string& output) {
    std::string text = output;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    const std::size_t newline = text.rfind('\n');
    return newline == std::string::npos ? text : text.substr(newline + 1);
}

CommandResult runBench(const std::string& arguments) {
    return runCommand(binaryDir() + "/tools/bench/hollowmere-bench " + arguments);
}

const char* const PASSES[] = {"shadow", "scene", "sky", "volumetric", "composite", "overlay"};

}  // namespace

TEST(BenchTool, PrintsTheTableAndAJsonLineWithEveryPass) {
    const CommandResult run = runBench("--frames 3 --warmup 1 --size 320x240");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("start-up: "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("GPU median"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\nframe "), std::string::npos) << run.output;
    for (const char* pass : PASSES) EXPECT_NE(run.output.find(std::string("\n") + pass + " "), std::string::npos) << pass;

    const Json json = Json::parse(lastLine(run.output));
    ASSERT_TRUE(json.ok) << lastLine(run.output);
    auto number = [&](const std::string& key) {
        auto found = json.numbers.find(key);
        EXPECT_NE(found, json.numbers.end()) << key;
        return found == json.numbers.end() ? -1.0 : found->second;
    };
    EXPECT_EQ(number("frames"), 3.0);
    EXPECT_EQ(number("width"), 320.0);
    EXPECT_EQ(number("height"), 240.0);
    EXPECT_GT(number("flightSeconds"), 0.0);
    EXPECT_NEAR(number("stepSeconds"), number("flightSeconds") / 3.0, 1e-3);
    // The process start lies before the model loads and the first frame, which take well over 10 ms.
    EXPECT_GT(number("startupMs"), 10.0);
    EXPECT_LT(number("startupMs"), 600000.0);

    std::vector<std::string> measured = {"frame"};
    for (const char* pass : PASSES) measured.push_back(std::string("passes.") + pass);
    for (const std::string& name : measured)
        for (const char* clock : {"gpu", "cpu"}) {
            const std::string key = name + "." + clock;
            EXPECT_LE(number(key + ".p10"), number(key + ".median")) << key;
            EXPECT_LE(number(key + ".median"), number(key + ".p90")) << key;
            EXPECT_GE(number(key + ".p10"), 0.0) << key;
        }
    // Every pass ran (volumetric light is on by default) and the whole frame holds each of them.
    for (const char* pass : PASSES) {
        const double cpu = number(std::string("passes.") + pass + ".cpu.median");
        EXPECT_GT(cpu, 0.0) << pass;
        EXPECT_LE(cpu, number("frame.cpu.p90")) << pass;
    }
}

// The game's renderer with an empty world at a small size: every pass runs, none draws much.
struct PassTimerFrame : ProgramValuesTest {
    static Renderer* renderer;
    static Registry* registry;
    static void SetUpTestSuite() {
        settings.width = 64.0f;
        settings.height = 48.0f;
        settings.fullscreen = false;
        renderer = new Renderer();
        initRenderer(*renderer, false);
        registry = new Registry();
    }
    static void TearDownTestSuite() { shutdownRenderer(*renderer); }
    void TearDown() override {
        renderer->passTimer = nullptr;
        ProgramValuesTest::TearDown();
    }
};
Renderer* PassTimerFrame::renderer = nullptr;
Registry* PassTimerFrame::registry = nullptr;

TEST_F(PassTimerFrame, WithoutAnActiveTimerTheHooksDoNothing) {
    PassTimer idle;
    createPassTimer(idle);
    renderer->passTimer = nullptr;
    renderFrame(*renderer, *registry, 0.0f);
    for (int i = 0; i < PASS_COUNT; ++i) {
        EXPECT_FALSE(idle.ran[i]) << PASS_NAMES[i];
        EXPECT_EQ(idle.cpuMs[i], 0.0) << PASS_NAMES[i];
    }
    // A hook pair is one branch: a million of them take nowhere near the time of a single glFinish each.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000000; ++i) {
        beginPass(renderer->passTimer, static_cast<Pass>(i % PASS_COUNT));
        endPass(renderer->passTimer, static_cast<Pass>(i % PASS_COUNT));
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(ms, 200.0);
}

TEST_F(PassTimerFrame, AnActiveTimerFillsEveryPassThatRanAndVolumetricOnlyWithF5On) {
    PassTimer timer;
    createPassTimer(timer);
    renderer->passTimer = &timer;

    volumetricEnabled = true;
    renderFrame(*renderer, *registry, 0.0f);
    for (int i = 0; i < PASS_COUNT; ++i) EXPECT_TRUE(timer.ran[i]) << PASS_NAMES[i];
    collectPassTimes(timer);
    for (int i = 0; i < PASS_COUNT; ++i) {
        EXPECT_FALSE(timer.ran[i]) << PASS_NAMES[i];
        EXPECT_GT(timer.cpuMs[i], 0.0) << PASS_NAMES[i];
        EXPECT_GE(timer.gpuMs[i], 0.0) << PASS_NAMES[i];
        EXPECT_LT(timer.gpuMs[i], 60000.0) << PASS_NAMES[i];
    }

    volumetricEnabled = false;
    renderFrame(*renderer, *registry, 0.0f);
    collectPassTimes(timer);
    const int volumetric = static_cast<int>(Pass::Volumetric);
    EXPECT_EQ(timer.cpuMs[volumetric], 0.0);
    EXPECT_EQ(timer.gpuMs[volumetric], 0.0);
    for (int i = 0; i < PASS_COUNT; ++i) {
        if (i == volumetric) continue;
        EXPECT_GT(timer.cpuMs[i], 0.0) << PASS_NAMES[i];
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
