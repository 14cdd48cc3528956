// Settings file: parsed once by inih's INIReader during static initialisation.
#include "core/settings.h"

#include <INIReader.h>

#include <cmath>
#include <iostream>

namespace {

// Every GL 4.3 driver can render into a target this wide and high; beyond it the targets fail.
constexpr float LARGEST_SIZE = 16384.0f;
// A refresh-rate hint beyond this is no display's and would overflow the integer hint.
constexpr float FASTEST_RATE = 1000.0f;

// The value as it may be shown in a one-line message: control bytes become '?', long ones are cut.
std::string printable(std::string value) {
    constexpr size_t LONGEST = 64;
    if (value.size() > LONGEST) value = value.substr(0, LONGEST) + "...";
    for (char& c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return value;
}

float reportInvalid(const INIReader& reader, const char* key, float fallback) {
    std::cout << "Invalid " << key << "=" << printable(reader.Get("window", key, "")) << " in settings: using "
              << fallback << " instead" << std::endl;
    return fallback;
}

// A size or rate that truncates to zero, is negative, not finite or past `largest` would give no
// window, a division by zero or targets no driver can hold.
float inRangeOrDefault(const INIReader& reader, const char* key, float fallback, float largest) {
    float v = static_cast<float>(reader.GetReal("window", key, fallback));
    if (std::isfinite(v) && v >= 1.0f && v <= largest) return v;
    return reportInvalid(reader, key, fallback);
}

// A brightness that is not finite would turn every lit pixel into nonsense.
float finiteOrDefault(const INIReader& reader, const char* key, float fallback) {
    float v = static_cast<float>(reader.GetReal("window", key, fallback));
    return std::isfinite(v) ? v : reportInvalid(reader, key, fallback);
}

}  // namespace

Settings readSettings(const INIReader& reader, const std::string& path) {
    if (reader.ParseError() < 0) {
        std::cout << "ERROR: Failed to load '" << path << "'. Using default values instead." << std::endl;
    }
    Settings s;
    s.width = inRangeOrDefault(reader, "WIDTH", 800.0f, LARGEST_SIZE);
    s.height = inRangeOrDefault(reader, "HEIGHT", 600.0f, LARGEST_SIZE);
    s.refreshRate = inRangeOrDefault(reader, "REFRESH_RATE", 60.0f, FASTEST_RATE);
    s.fullscreen = reader.GetBoolean("window", "FULLSCREEN", false);
    s.brightness = finiteOrDefault(reader, "BRIGHTNESS", 0.5f);
    return s;
}

Settings loadSettings(const std::string& path) {
    INIReader reader(path);
    return readSettings(reader, path);
}

// The reader is constructed before the values and kept for the whole run.
static INIReader settingsReader(SETTINGS_PATH);
Settings settings = readSettings(settingsReader, SETTINGS_PATH);
