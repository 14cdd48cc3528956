// Settings fuzz in the game's own reader: hundreds of hostile files, each giving usable values and at most one
// line per value it could not use.
#include "core/settings.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <regex>

TEST(SettingsFuzz, AnyFileGivesUsableValuesAndOnlyOneLinePerValueItCouldNotUse) {
    // Known and unknown keys in any case, numbers of every form, stray bytes, comments, other sections, CR LF,
    // long lines, sometimes no final line end.
    const char* const parts[] = {"[window]", "[WINDOW]", "[ window ]", "[other]", "[", "; c", "#", "", "WIDTH",
                                 "HEIGHT", "REFRESH_RATE", "FULLSCREEN", "BRIGHTNESS", "width", "Height", "DEPTH",
                                 "=", " = ", ":", "true", "maybe", "nan", "-nan", "inf", "-inf", "0x400", "1e39",
                                 "-1e39", "1e-45", "1024px", " 640 ", "2,5", "+720", "-0", ".5", "1e400", "16385"};
    const std::regex report("(Invalid (WIDTH|HEIGHT|REFRESH_RATE|BRIGHTNESS)=[^\n]* in settings: using [0-9.]+ instead\n)*");
    const std::string path = makeTempDir("settings-fuzz") + "/settings.ini";
    std::mt19937 random(20261207);
    const auto below = [&](size_t n) { return random() % n; };
    int reported = 0;
    for (int i = 0; i < 400; ++i) {
        std::string file = below(4) ? "[window]\n" : "";
        for (size_t lines = below(25); lines > 0; --lines) {
            file += parts[8 + below(8)] + std::string(parts[16 + below(3)]);  // a key and a separator, then
            if (below(5) == 0) file += std::string(100 + below(4000), "9x;#"[below(4)]);  // a long value,
            else if (below(4) == 0) for (size_t b = below(40); b > 0; --b) file += static_cast<char>(1 + below(255));
            else if (below(3) == 0) file = file + "\n" + parts[below(8)];  // a line of another kind,
            else file += below(2) ? parts[19 + below(std::size(parts) - 19)] : std::to_string(int(below(40000)) - 5000);
            file += below(20) ? "\n" : "\r\n";
        }
        if (below(4) == 0 && !file.empty()) file.pop_back();
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
