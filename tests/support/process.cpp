// Test support: subprocesses and temporary folders.
#include "support/process.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef HOLLOWMERE_SOURCE_DIR
#define HOLLOWMERE_SOURCE_DIR "."
#endif
#ifndef HOLLOWMERE_BINARY_DIR
#define HOLLOWMERE_BINARY_DIR "build"
#endif

std::string sourceDir() { return HOLLOWMERE_SOURCE_DIR; }
std::string binaryDir() { return HOLLOWMERE_BINARY_DIR; }

CommandResult runCommand(const std::string& command) {
    CommandResult result;
    std::string full = "(" + command + ") < /dev/null 2>&1";
    FILE* pipe = popen(full.c_str(), "r");
    if (!pipe) return result;
    std::array<char, 4096> buffer{};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.output.append(buffer.data(), n);
    int status = pclose(pipe);
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

std::string makeTempDir(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    char* made = mkdtemp(pattern.data());
    return made ? std::string(made) : std::string();
}

std::string makeGameDir(const std::string& prefix) {
    std::string dir = makeTempDir(prefix);
    std::filesystem::copy(sourceDir() + "/Resources", dir + "/Resources",
                          std::filesystem::copy_options::recursive);
    return dir;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}
