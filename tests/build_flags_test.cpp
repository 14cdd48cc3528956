// Every file of our own code (src/, tools/, tests/) is compiled with the warnings on, and with warnings as errors
// when the build was configured for that, as CI does: a target added without them would let a warning through.
#include "support/process.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <sstream>

namespace {

bool hasFlag(const std::string& command, const std::string& flag) {
    std::istringstream words(command);
    for (std::string word; words >> word;)
        if (word == flag) return true;
    return false;
}

}  // namespace

TEST(BuildFlags, EveryFileOfOurOwnIsCompiledWithTheWarningsAndErrorsWhenAsked) {
    const std::string cache = readFile(binaryDir() + "/CMakeCache.txt");
    ASSERT_FALSE(cache.empty()) << "no CMakeCache.txt in " << binaryDir();
    const bool werror = cache.find("\nHOLLOWMERE_WERROR:BOOL=ON\n") != std::string::npos;
    const nlohmann::json commands = nlohmann::json::parse(readFile(binaryDir() + "/compile_commands.json"), nullptr, false);
    ASSERT_TRUE(commands.is_array()) << "no compile_commands.json in " << binaryDir();

    std::map<std::string, int> files = {{"src/", 0}, {"tools/", 0}, {"tests/", 0}};
    for (const nlohmann::json& entry : commands) {
        const std::string file = entry.value("file", ""), command = entry.value("command", "");
        if (file.rfind(sourceDir() + "/", 0) != 0) continue;
        const std::string path = file.substr(sourceDir().size() + 1);
        for (auto& [folder, count] : files) {
            if (path.rfind(folder, 0) != 0) continue;
            ++count;
            for (const std::string flag : {"-Wall", "-Wextra"}) EXPECT_TRUE(hasFlag(command, flag)) << path << ": no " << flag;
            EXPECT_EQ(hasFlag(command, "-Werror"), werror) << path << (werror ? ": no -Werror" : ": -Werror unasked");
        }
    }
    for (const auto& [folder, count] : files) EXPECT_GT(count, 0) << "no file of " << folder << " compiled";
}
