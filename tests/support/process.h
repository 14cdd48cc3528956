// Test support: run a command, make temporary game folders, read files.
#pragma once

#include <string>
#include <vector>

struct CommandResult {
    int status = -1;     // exit status, or -1 when it did not exit normally
    std::string output;  // stdout and stderr together
};

// Runs a shell command (stdin from /dev/null) and collects its output.
CommandResult runCommand(const std::string& command);

// A fresh empty directory under the system temp folder.
std::string makeTempDir(const std::string& prefix);

// A temporary working directory holding a copy of the repository's Resources/.
std::string makeGameDir(const std::string& prefix);

std::string readFile(const std::string& path);
// The text's lines, without their line ends.
std::vector<std::string> lines(const std::string& text);
void writeFile(const std::string& path, const std::string& text);
// The names in a folder, sorted; empty when it cannot be read.
std::vector<std::string> folderNames(const std::string& dir);

// Absolute paths of the checkout and of the build tree.
std::string sourceDir();
std::string binaryDir();
