// Settings fuzz in the game's own reader: hundreds of hostile files, each giving usable values and at most
// one line per value it could not use.
#include "core/settings.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <regex>

namespace {

// A seeded hostile file: known and unknown keys in any case, numbers of every form, stray bytes, comments,
// other sections, CR LF, long lines, sometimes no final line end.
std::string hostileFile(std::mt19937& random) {
    const auto below = [&](size_t n) { return random() % n; };
    const auto bytes = [&](size_t n) {
        std::string s(n, ' ');
        for (char& c : s) c = static_cast<char>(1 + below(255));
        return s;
    };
    static const char* const keys[] = {"WIDTH", "HEIGHT", "REFRESH_RATE", "FULLSCREEN", "BRIGHTNESS", "width",
                                       "Height", "refresh_rate", "brightness", "DEPTH", "", "="};
    static const char* const values[] = {"", "true", "maybe", "nan", "-nan", "inf", "-inf", "0x400", "1e39", "-1e39",
                                         "1e-45", "1024px", " 640 ", "2,5", "+720", "-0", ".5", "1e400", "0", "16385"};
    static const char* const others[] = {"[window]", "[WINDOW]", "[ window ]", "[other]", "[", "; c", "# c", ""};
    std::string text = below(4) ? "[window]\n" : "";
    for (size_t lines = below(25); lines > 0; --lines) {
        switch (below(6)) {
            case 0: text += others[below(std::size(others))]; break;
            case 1: text += bytes(1 + below(300)); break;
            case 2: text += keys[below(std::size(keys))] + std::string("=") + std::string(100 + below(4000), '9'); break;
            case 3: text += keys[below(std::size(keys))] + std::string(" = ") + bytes(1 + below(40)); break;
            default:
                text += keys[below(std::size(keys))] + std::string(below(2) ? "=" : " : ") +
                        (below(2) ? values[below(std::size(values))] : std::to_string(int(below(40000)) - 5000));
        }
        text += below(20) ? "\n" : "\r\n";
    }
    if (below(4) == 0 && !text.empty()) text.pop_back();
    return text;
}

}  // namespace

TEST(SettingsFuzz, AnyFileGivesUsableValuesAndOnlyOneLinePerValueItCouldNotUse) {
    const std::string path = makeTempDir("settings-fuzz") + "/settings.ini";
    const std::regex report("(Invalid (WIDTH|HEIGHT|REFRESH_RATE|BRIGHTNESS)=[^\n]* in settings: using [0-9.]+ instead\n)*");
    std::mt19937 random(20261207);
    int reported = 0;
    for (int i = 0; i < 400; ++i) {
        const std::string file = hostileFile(random);
        SCOPED_TRACE("file " + std::to_string(i) + ":\n" + file);
        writeFile(path, file);
        testing::internal::CaptureStdout();
        const Settings s = loadSettings(path);
        const std::string output = testing::internal::GetCapturedStdout();
        for (float size : {s.width, s.height}) EXPECT_TRUE(size >= 1.0f && size <= 16384.0f) << size;
        EXPECT_TRUE(s.refreshRate >= 1.0f && s.refreshRate <= 1000.0f) << s.refreshRate;
        EXPECT_TRUE(std::isfinite(s.brightness)) << s.brightness;
        EXPECT_TRUE(std::regex_match(output, report)) << output;
        EXPECT_LE(std::count(output.begin(), output.end(), '\n'), 4) << output;
        reported += !output.empty();
    }
    EXPECT_GT(reported, 40) << "the files must reach the reports, or the fuzz proves little";
}
