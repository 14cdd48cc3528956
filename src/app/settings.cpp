// Settings file: parsed once by inih's INIReader during static initialisation.
#include "app/settings.h"

#include <INIReader.h>

#include <cmath>
#include <iostream>

namespace {

// A size or rate that is zero, negative or not finite would give no window or a division by zero.
float positiveOrDefault(const INIReader& reader, const char* key, float fallback) {
    double value = reader.GetReal("window", key, fallback);
    float v = static_cast<float>(value);
    if (std::isfinite(v) && v > 0.0f) return v;
    std::cout << "Invalid " << key << "=" << reader.Get("window", key, "") << " in settings: using " << fallback
              << " instead" << std::endl;
    return fallback;
}

}  // namespace

Settings readSettings(const INIReader& reader, const std::string& path) {
    if (reader.ParseError() < 0) {
        std::cout << "ERROR: Failed to load '" << path << "'. Using default values instead." << std::endl;
    }
    Settings s;
    s.width = positiveOrDefault(reader, "WIDTH", 800.0f);
    s.height = positiveOrDefault(reader, "HEIGHT", 600.0f);
    s.refreshRate = positiveOrDefault(reader, "REFRESH_RATE", 60.0f);
    s.fullscreen = reader.GetBoolean("window", "FULLSCREEN", false);
    s.brightness = static_cast<float>(reader.GetReal("window", "BRIGHTNESS", 0.5));
    return s;
}

Settings loadSettings(const std::string& path) {
    INIReader reader(path);
    return readSettings(reader, path);
}

// The reader is constructed before the values and kept for the whole run.
static INIReader settingsReader(SETTINGS_PATH);
Settings settings = readSettings(settingsReader, SETTINGS_PATH);
