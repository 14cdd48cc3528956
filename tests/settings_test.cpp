// Settings file: every key's limits and what a bad value in settings.ini turns into.
#include "core/settings.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// Reads text as a settings file; returns what was printed.
std::string load(const std::string& text, Settings& out, const std::string& path = "") {
    const std::string file = path.empty() ? makeTempDir("settings") + "/settings.ini" : path;
    if (path.empty()) writeFile(file, text);
    testing::internal::CaptureStdout();
    out = loadSettings(file);
    return testing::internal::GetCapturedStdout();
}

float valueOf(const Settings& s, const std::string& key) {
    if (key == "WIDTH") return s.width;
    if (key == "HEIGHT") return s.height;
    if (key == "REFRESH_RATE") return s.refreshRate;
    if (key == "FULLSCREEN") return s.fullscreen ? 1.0f : 0.0f;
    return s.brightness;
}

}  // namespace

TEST(Settings, EveryKeyKeepsGoodValuesAndReplacesBadOnesWithItsDefault) {
    // line: under [window]; reported: "Invalid KEY=value in settings: using <default> instead".
    const struct { std::string line; float expected; bool reported; } cases[] = {
        {"WIDTH=1280", 1280, false},         {"WIDTH=16384", 16384, false},     {"WIDTH=16385", 800, true},
        {"WIDTH=0.5", 800, true},            {"WIDTH=0", 800, true},            {"WIDTH=inf", 800, true},
        {"WIDTH=1e300", 800, true},          {"WIDTH=1024px", 1024, false},     {"WIDTH=wide", 800, false},
        {"HEIGHT=600.75", 600.75f, false},   {"HEIGHT=-720", 600, true},        {"HEIGHT=16385", 600, true},
        {"REFRESH_RATE=144.5", 144.5f, false}, {"REFRESH_RATE=1000", 1000, false}, {"REFRESH_RATE=1001", 60, true},
        {"REFRESH_RATE=nan", 60, true},      {"REFRESH_RATE=1e12", 60, true},
        {"FULLSCREEN=YES", 1, false},        {"FULLSCREEN=On", 1, false},       {"FULLSCREEN=1", 1, false},
        {"FULLSCREEN=maybe", 0, false},
        {"BRIGHTNESS=-0.25", -0.25f, false}, {"BRIGHTNESS=3", 3, false},        {"BRIGHTNESS=-inf", 0.5f, true},
        {"BRIGHTNESS=nan", 0.5f, true},
    };
    for (const auto& c : cases) {
        Settings s;
        const std::string out = load("[window]\n" + c.line + "\n", s);
        const std::string key = c.line.substr(0, c.line.find('='));
        EXPECT_FLOAT_EQ(valueOf(s, key), c.expected) << c.line;
        std::ostringstream message;
        if (c.reported) message << "Invalid " << c.line << " in settings: using " << c.expected << " instead\n";
        EXPECT_EQ(out, message.str()) << c.line;
    }
}

TEST(Settings, AMissingFileOrBadLinesLeaveTheDefaultsAndTheRestAndABadValueIsShownOnOneShortLine) {
    Settings s;
    EXPECT_EQ(load("", s, "Resources/no-such-settings.ini"),
              "ERROR: Failed to load 'Resources/no-such-settings.ini'. Using default values instead.\n");
    EXPECT_EQ(std::vector<float>({s.width, s.height, s.refreshRate, valueOf(s, "FULLSCREEN"), s.brightness}),
              std::vector<float>({800, 600, 60, 0, 0.5f}));
    // A stray line, a comment and a trailing comment spoil nothing; section and key names ignore case.
    EXPECT_EQ(load("[WINDOW]\nwidth=1001\nnot a key\nHEIGHT=601\n; note\nBRIGHTNESS=0.25 ; dim\n", s), "");
    EXPECT_EQ(std::vector<float>({s.width, s.height, s.brightness}), std::vector<float>({1001, 601, 0.25f}));
    // A continued value holds a line feed; a long one would flood the console.
    EXPECT_EQ(load("[window]\nWIDTH=0\n  more\n", s), "Invalid WIDTH=0?more in settings: using 800 instead\n");
    const std::string longValue = "-" + std::string(150, '9');
    EXPECT_EQ(load("[window]\nHEIGHT=" + longValue + "\n", s),
              "Invalid HEIGHT=" + longValue.substr(0, 64) + "... in settings: using 600 instead\n");
}
