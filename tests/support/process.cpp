// Test support: subprocesses and temporary folders.
#include "support/process.h"

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

std::string sourceDir() { return HOLLOWMERE_SOURCE_DIR; }
std::string binaryDir() { return HOLLOWMERE_BINARY_DIR; }

CommandResult runCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen(("(" + command + ") < /dev/null 2>&1").c_str(), "r");
    if (!pipe) return result;
    std::array<char, 4096> buffer{};
    for (size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) result.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

std::string makeTempDir(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    return mkdtemp(pattern.data()) ? pattern : std::string();
}

std::string makeGameDir(const std::string& prefix) {
    const std::string dir = makeTempDir(prefix);
    std::filesystem::copy(sourceDir() + "/Resources", dir + "/Resources", std::filesystem::copy_options::recursive);
    return dir;
}

std::string readFile(const std::string& path) {
    std::stringstream s;
    return s << std::ifstream(path, std::ios::binary).rdbuf(), s.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> found;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) found.push_back(line);
    return found;
}

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<std::string> folderNames(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}
