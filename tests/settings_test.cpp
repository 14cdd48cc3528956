// Settings file: inih's parsing rules as the game relies on them, and the mended bad sizes.
#include "core/settings.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct Loaded {
    Settings settings;
    std::string output;
};

// Writes text as a settings file in a fresh folder and reads it, capturing what is printed.
Loaded loadText(const std::string& text) {
    std::string dir = makeTempDir("settings");
    std::string path = dir + "/settings.ini";
    writeFile(path, text);
    std::stringstream captured;
    std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
    Loaded l{loadSettings(path), ""};
    std::cout.rdbuf(old);
    l.output = captured.str();
    return l;
}

}  // namespace

TEST(Settings, MissingFileGivesDefaultsAndOneMessage) {
    std::stringstream captured;
    std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
    Settings s = loadSettings("Resources/no-such-settings.ini");
    std::cout.rdbuf(old);
    EXPECT_EQ(s.width, 800.0f);
    EXPECT_EQ(s.height, 600.0f);
    EXPECT_EQ(s.refreshRate, 60.0f);
    EXPECT_FALSE(s.fullscreen);
    EXPECT_EQ(s.brightness, 0.5f);
    EXPECT_EQ(captured.str(),
              "ERROR: Failed to load 'Resources/no-such-settings.ini'. Using default values instead.\n");
}

TEST(Settings, SampleFileIsReadSilently) {
    Loaded l = loadText("[window]\nWIDTH=1280\nHEIGHT=720\nREFRESH_RATE=60\nFULLSCREEN=false\nBRIGHTNESS=0.5\n");
    EXPECT_EQ(l.settings.width, 1280.0f);
    EXPECT_EQ(l.settings.height, 720.0f);
    EXPECT_EQ(l.settings.refreshRate, 60.0f);
    EXPECT_FALSE(l.settings.fullscreen);
    EXPECT_EQ(l.settings.brightness, 0.5f);
    EXPECT_EQ(l.output, "");
}

TEST(Settings, BooleansAndNamesIgnoreCase) {
    EXPECT_TRUE(loadText("[window]\nFULLSCREEN=YES\n").settings.fullscreen);
    EXPECT_TRUE(loadText("[WINDOW]\nfullscreen=On\n").settings.fullscreen);
    EXPECT_TRUE(loadText("[window]\nFullScreen=1\n").settings.fullscreen);
    EXPECT_FALSE(loadText("[window]\nFULLSCREEN=maybe\n").settings.fullscreen);
}

TEST(Settings, NumbersTakeTheLongestPrefix) {
    EXPECT_EQ(loadText("[window]\nWIDTH=1024px\n").settings.width, 1024.0f);
    EXPECT_EQ(loadText("[window]\nWIDTH=wide\n").settings.width, 800.0f);
    // Fractions are kept here; the window and viewports truncate them.
    EXPECT_EQ(loadText("[window]\nHEIGHT=600.75\n").settings.height, 600.75f);
    EXPECT_FLOAT_EQ(loadText("[window]\nBRIGHTNESS=0.8\n").settings.brightness, 0.8f);
}

TEST(Settings, RepeatedKeysAndContinuationLines) {
    // A repeated key joins both values with a line feed: the number reads the first, a boolean falls back.
    Loaded twice = loadText("[window]\nWIDTH=1024\nWIDTH=640\nFULLSCREEN=true\nFULLSCREEN=true\n");
    EXPECT_EQ(twice.settings.width, 1024.0f);
    EXPECT_FALSE(twice.settings.fullscreen);
    // An indented line continues the key above it.
    Loaded cont = loadText("[window]\nHEIGHT=720\n  WIDTH=1280\n");
    EXPECT_EQ(cont.settings.height, 720.0f);
    EXPECT_EQ(cont.settings.width, 800.0f);
}

TEST(Settings, BadLineDoesNotSpoilTheRest) {
    Loaded l = loadText("[window]\nWIDTH=1001\nthis line is not a key\nHEIGHT=601\n; comment\nBRIGHTNESS=0.25 ; trailing\n");
    EXPECT_EQ(l.settings.width, 1001.0f);
    EXPECT_EQ(l.settings.height, 601.0f);
    EXPECT_EQ(l.settings.brightness, 0.25f);
    EXPECT_EQ(l.output, "");
}

TEST(Settings, UnusableSizesAndRatesTakeTheirDefaults) {
    Loaded l = loadText("[window]\nWIDTH=0\nHEIGHT=-720\nREFRESH_RATE=nan\n");
    EXPECT_EQ(l.settings.width, 800.0f);
    EXPECT_EQ(l.settings.height, 600.0f);
    EXPECT_EQ(l.settings.refreshRate, 60.0f);
    EXPECT_EQ(l.output,
              "Invalid WIDTH=0 in settings: using 800 instead\n"
              "Invalid HEIGHT=-720 in settings: using 600 instead\n"
              "Invalid REFRESH_RATE=nan in settings: using 60 instead\n");
    EXPECT_EQ(loadText("[window]\nWIDTH=inf\n").settings.width, 800.0f);
    EXPECT_EQ(loadText("[window]\nWIDTH=1e300\n").settings.width, 800.0f);
    // Less than a pixel, or more than any driver's render target.
    EXPECT_EQ(loadText("[window]\nWIDTH=0.5\n").settings.width, 800.0f);
    EXPECT_EQ(loadText("[window]\nHEIGHT=16385\n").settings.height, 600.0f);
    EXPECT_EQ(loadText("[window]\nHEIGHT=16384\n").settings.height, 16384.0f);
    EXPECT_EQ(loadText("[window]\nREFRESH_RATE=1e12\n").settings.refreshRate, 60.0f);
    EXPECT_EQ(loadText("[window]\nREFRESH_RATE=144.5\n").settings.refreshRate, 144.5f);
}

TEST(Settings, BrightnessThatIsNotANumberTakesItsDefault) {
    Loaded l = loadText("[window]\nBRIGHTNESS=-inf\n");
    EXPECT_EQ(l.settings.brightness, 0.5f);
    EXPECT_EQ(l.output, "Invalid BRIGHTNESS=-inf in settings: using 0.5 instead\n");
    // A dim or overbright ambient is the player's choice.
    EXPECT_EQ(loadText("[window]\nBRIGHTNESS=-0.25\n").settings.brightness, -0.25f);
    EXPECT_EQ(loadText("[window]\nBRIGHTNESS=3\n").settings.brightness, 3.0f);
}

TEST(Settings, AnInvalidValueIsShownOnOneShortLine) {
    // A continued value holds a line feed; a long one would flood the console.
    EXPECT_EQ(loadText("[window]\nWIDTH=0\n  more\n").output, "Invalid WIDTH=0?more in settings: using 800 instead\n");
    const std::string longValue = "-" + std::string(150, '9');
    EXPECT_EQ(loadText("[window]\nHEIGHT=" + longValue + "\n").output,
              "Invalid HEIGHT=" + longValue.substr(0, 64) + "... in settings: using 600 instead\n");
}
