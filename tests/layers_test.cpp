// Layers: every #include under src/ and tools/ runs downward, from a folder only to the folders before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Lowest first; the tools sit on top of everything and share tools/common.
const std::vector<std::string> LAYERS = {"core", "audio", "assets", "animation", "world", "render", "app"};

int rankOf(const std::string& folder) {
    const auto it = std::find(LAYERS.begin(), LAYERS.end(), folder);
    return it == LAYERS.end() ? -1 : static_cast<int>(it - LAYERS.begin());
}

std::string firstPart(const std::string& path) {
    const auto slash = path.find('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

// Why file (relative to the repository) may not include path, or empty when it may.
std::string violation(const std::string& file, const std::string& path) {
    const std::string target = firstPart(path);
    if (target.empty()) return "";  // a file beside the includer
    const std::string top = firstPart(file);
    if (top == "tools") {
        if (rankOf(target) >= 0 || target == "common") return "";
        return "a tool includes \"" + path + "\", which is neither a src layer nor tools/common";
    }
    const std::string own = firstPart(file.substr(top.size() + 1));
    if (rankOf(own) < 0) return "src/" + own + " is not a layer";
    if (rankOf(target) < 0) return "\"" + path + "\" is not in a layer";
    if (rankOf(target) > rankOf(own)) return own + " includes " + target + ", a layer above it";
    return "";
}

struct Include {
    std::string file;
    int line = 0;
    std::string path;
};

std::vector<Include> includesUnder(const fs::path& root, const std::string& folder) {
    static const std::regex QUOTED(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::vector<Include> found;
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
        std::ifstream in(entry.path());
        std::string text;
        for (int line = 1; std::getline(in, text); ++line) {
            std::smatch match;
            if (std::regex_search(text, match, QUOTED))
                found.push_back({fs::relative(entry.path(), root).generic_string(), line, match[1]});
        }
    }
    return found;
}

}  // namespace

TEST(Layers, TheRuleTellsDownwardFromUpwardIncludes) {
    struct Case {
        const char* file;
        const char* path;
        bool allowed;
    };
    const Case cases[] = {
        {"src/render/sky.cpp", "core/gl.h", true},
        {"src/render/sky.cpp", "render/sky.h", true},
        {"src/render/sky.cpp", "app/startup.h", false},
        {"src/core/shader.cpp", "assets/mesh.h", false},
        {"src/assets/model.h", "animation/keyframes.h", false},
        {"src/world/scene.cpp", "render/renderer.h", false},
        {"src/app/main.cpp", "world/scene.h", true},
        {"src/app/main.cpp", "common/run.h", false},
        {"src/misc/thing.cpp", "core/gl.h", false},
        {"src/app/main.cpp", "frame_clock.h", true},
        {"tools/shot/shot.cpp", "app/offscreen.h", true},
        {"tools/shot/shot.cpp", "common/run.h", true},
        {"tools/shot/shot.cpp", "capture/flight_sound.h", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(violation(c.file, c.path).empty(), c.allowed) << c.file << " including " << c.path;
}

TEST(Layers, EveryIncludeUnderSrcAndToolsRunsDownward) {
    const fs::path root = HOLLOWMERE_SOURCE_DIR;
    std::vector<Include> all = includesUnder(root, "src");
    ASSERT_GT(all.size(), 100u) << "src/ holds far fewer includes than the game has";
    for (const Include& include : includesUnder(root, "tools")) all.push_back(include);
    for (const Include& include : all) {
        const std::string why = violation(include.file, include.path);
        EXPECT_TRUE(why.empty()) << include.file << ":" << include.line << ": " << why;
    }
}

TEST(Layers, EveryFolderOfSrcIsALayer) {
    for (const auto& entry : fs::directory_iterator(fs::path(HOLLOWMERE_SOURCE_DIR) / "src"))
        if (entry.is_directory())
            EXPECT_GE(rankOf(entry.path().filename().string()), 0) << entry.path() << " has no place among the layers";
}
