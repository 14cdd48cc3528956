// Window and brightness settings read from Resources/settings.ini before main runs.
#pragma once

#include <string>

class INIReader;

inline constexpr const char* SETTINGS_PATH = "Resources/settings.ini";

struct Settings {
    float width = 800.0f;        // replaced by the monitor's mode width in full screen
    float height = 600.0f;       // replaced by the monitor's mode height in full screen
    float refreshRate = 60.0f;   // hint only, truncated to an integer
    bool fullscreen = false;
    float brightness = 0.5f;     // ambient coefficient of the forward pass
};

// Program-wide settings, filled during static initialisation.
extern Settings settings;

// Reads the five values from a parsed file; prints the load message when the file did not open.
Settings readSettings(const INIReader& reader, const std::string& path);

// Parses the file at path and reads it as above (used by static init and by tests).
Settings loadSettings(const std::string& path);
