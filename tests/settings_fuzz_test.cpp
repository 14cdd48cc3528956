// Settings fuzz in the game's own reader: any file gives usable values and only one-line reports.
#include "core/settings.h"
#include "support/process.h"
#include "support/settings_fuzz.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

// How many values a reading reported as invalid (each such line names one key).
int countLines(const std::string& text) {
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

}  // namespace

TEST(SettingsFuzz, AnyFileGivesUsableValuesAndOnlyOneLineReports) {
    const std::string dir = makeTempDir("settings-fuzz");
    const std::vector<std::string> files = fuzzSettingsFiles(200, 20261207);
    int reported = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE("file " + std::to_string(i) + ":\n" + files[i]);
        const std::string path = dir + "/settings" + std::to_string(i) + ".ini";
        writeFile(path, files[i]);
        testing::internal::CaptureStdout();
        const Settings s = loadSettings(path);
        const std::string output = testing::internal::GetCapturedStdout();

        EXPECT_TRUE(std::isfinite(s.width) && s.width >= 1.0f && s.width <= 16384.0f) << s.width;
        EXPECT_TRUE(std::isfinite(s.height) && s.height >= 1.0f && s.height <= 16384.0f) << s.height;
        EXPECT_TRUE(std::isfinite(s.refreshRate) && s.refreshRate >= 1.0f && s.refreshRate <= 1000.0f);
        EXPECT_TRUE(std::isfinite(s.brightness)) << s.brightness;
        EXPECT_TRUE(onlySettingsLines(output)) << output;
        EXPECT_LE(countLines(output), 4) << output;
        reported += !output.empty();
    }
    // The generator must reach the reports at all, or the fuzz proves little.
    EXPECT_GT(reported, 10);
    std::printf("%d of %zu files had values reported as invalid\n", reported, files.size());
}
