// Test support: a seeded generator of hostile settings files.
#include "support/settings_fuzz.h"

#include <random>
#include <sstream>

namespace {

using Random = std::mt19937;

int below(Random& random, int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }

template <size_t N>
const char* pick(Random& random, const char* const (&options)[N]) {
    return options[below(random, static_cast<int>(N))];
}

std::string randomBytes(Random& random, int length) {
    std::string bytes(static_cast<size_t>(length), ' ');
    for (char& c : bytes) {
        c = static_cast<char>(below(random, 256));
        if (c == '\0') c = '\x01';
    }
    return bytes;
}

std::string anyKey(Random& random) {
    static const char* const keys[] = {"WIDTH", "HEIGHT", "REFRESH_RATE", "FULLSCREEN", "BRIGHTNESS",
                                       "width", "Height", "refresh_rate", "FullScreen", "brightness",
                                       "DEPTH", "", "WIDTH WIDTH", "=", "W\tIDTH"};
    return below(random, 10) == 0 ? randomBytes(random, 1 + below(random, 12)) : pick(random, keys);
}

std::string anyValue(Random& random) {
    static const char* const words[] = {"", "true", "YES", "on", "0", "1", "off", "maybe", "nan", "-nan", "inf",
                                        "-inf", "infinity", "0x400", "1e3", "1e39", "-1e39", "1e-45", "4.9e-324",
                                        "1024px", " 640 ", "2,5", "+720", "-0", ".5", "0.5", "1e400", "wide"};
    switch (below(random, 6)) {
        case 0: return pick(random, words);
        case 1: return std::to_string(below(random, 4000) - 500);
        case 2: return std::to_string(static_cast<double>(random()) / 1e3 - 1e6);
        case 3: return std::string(static_cast<size_t>(100 + below(random, 4000)), "9x;#"[below(random, 4)]);
        case 4: return randomBytes(random, 1 + below(random, 40));
        default: return std::to_string(below(random, 1200)) + pick(random, words);
    }
}

std::string anyLine(Random& random) {
    static const char* const sections[] = {"[window]", "[WINDOW]", "[ window ]", "[other]", "[", "[window",
                                           "]window[", "[]"};
    static const char* const separators[] = {"=", ":", " = ", "==", "\t=\t"};
    static const char* const comments[] = {"; a comment", "# a comment", "  ;indented", ";", "#"};
    static const char* const indents[] = {"", "", "", " ", "\t", "   "};
    switch (below(random, 10)) {
        case 0: return pick(random, sections);
        case 1: return pick(random, comments);
        case 2: return randomBytes(random, 1 + below(random, 300));
        case 3: return "";
        case 4: return anyKey(random) + pick(random, separators) + anyValue(random) + " ; trailing";
        default: return pick(random, indents) + anyKey(random) + pick(random, separators) + anyValue(random);
    }
}

}  // namespace

std::vector<std::string> fuzzSettingsFiles(int count, unsigned seed) {
    Random random(seed);
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        std::string text = below(random, 4) == 0 ? "" : "[window]\n";
        const int lines = below(random, 25);
        for (int l = 0; l < lines; ++l) text += anyLine(random) + (below(random, 20) == 0 ? "\r\n" : "\n");
        // Every fourth file ends without its last line end.
        if (below(random, 4) == 0 && !text.empty() && text.back() == '\n') text.pop_back();
        files.push_back(text);
    }
    return files;
}

bool onlySettingsLines(const std::string& output) {
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const bool invalid = line.rfind("Invalid ", 0) == 0 && line.size() > 8 &&
                             line.find(" in settings: using ") != std::string::npos &&
                             line.substr(line.size() - 8) == " instead";
        if (!invalid) return false;
    }
    return true;
}
