// Layers: every #include under src/ and tools/ runs downward, from a folder only to the folders before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>

namespace fs = std::filesystem;

namespace {

// Lowest first; the tools sit on top of everything and share tools/common.
const std::vector<std::string> LAYERS = {"core", "audio", "assets", "animation", "world", "render", "app"};

// The layer's place, -1 for a folder that is none.
int rankOf(const std::string& folder) {
    const auto it = std::find(LAYERS.begin(), LAYERS.end(), folder);
    return it == LAYERS.end() ? -1 : static_cast<int>(it - LAYERS.begin());
}

std::string topOf(const std::string& path) { return path.substr(0, std::min(path.find('/'), path.size())); }

// Why file (relative to the repository) may not include path, or empty when it may.
std::string violation(const std::string& file, const std::string& path) {
    if (path.find('/') == std::string::npos) return "";  // a file beside the includer
    const std::string target = topOf(path), top = topOf(file), own = topOf(file.substr(top.size() + 1));
    if (top == "tools") return rankOf(target) >= 0 || target == "common" ? "" : "a tool reaches outside src, common";
    if (rankOf(own) < 0 || rankOf(target) < 0) return "src/" + own + " or " + target + " is not a layer";
    return rankOf(target) > rankOf(own) ? own + " includes " + target + ", a layer above it" : "";
}

}  // namespace

TEST(Layers, TheRuleTellsDownwardFromUpwardIncludes) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"src/render/sky.cpp", "core/gl.h", true},          {"src/render/sky.cpp", "app/startup.h", false},
        {"src/core/shader.cpp", "assets/mesh.h", false},    {"src/app/main.cpp", "common/run.h", false},
        {"src/misc/thing.cpp", "core/gl.h", false},         {"src/app/main.cpp", "frame_clock.h", true},
        {"tools/shot/shot.cpp", "common/run.h", true},      {"tools/shot/shot.cpp", "capture/sound.h", false},
    };
    for (const auto& [file, path, allowed] : cases)
        EXPECT_EQ(violation(file, path).empty(), allowed) << file << " including " << path;
}

TEST(Layers, EveryIncludeUnderSrcAndToolsRunsDownward) {
    const fs::path root = HOLLOWMERE_SOURCE_DIR;
    for (const auto& entry : fs::directory_iterator(root / "src"))
        EXPECT_TRUE(!entry.is_directory() || rankOf(entry.path().filename().string()) >= 0)
            << entry.path() << " has no place among the layers";
    static const std::regex QUOTED(R"re(^\s*#\s*include\s*"([^"]+)")re");
    int includes = 0;
    for (const char* folder : {"src", "tools"})
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string(), file = fs::relative(entry, root).string();
            std::ifstream in(entry.path());
            std::string text;
            std::smatch match;
            for (int line = 1; (ext == ".h" || ext == ".cpp") && std::getline(in, text); ++line)
                if (std::regex_search(text, match, QUOTED)) {
                    ++includes;
                    EXPECT_EQ(violation(file, match[1]), "") << file << ":" << line;
                }
        }
    EXPECT_GT(includes, 100) << "src/ and tools/ hold far fewer includes than the game has";
}
