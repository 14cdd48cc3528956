// Tool arguments: CLI11 checks that say in one phrase what is wrong, the --size option, and reading argv.
#pragma once

#include "common/frame_size.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <string>

// Checks run on an option's text before CLI11 converts it.
CLI::Validator finiteNumber();                // any finite decimal number
CLI::Validator positiveNumber();              // a finite number above 0
CLI::Validator nonNegativeNumber();           // a finite number of 0 or more
CLI::Validator wholeNumber(int low, int high);  // use with transform: it rewrites the text in plain decimal

// The largest side a frame may have: what GL drivers commonly allow for a texture.
inline constexpr int MAX_FRAME_SIDE = 16384;

// --size WxH: both sides whole numbers from 1 to MAX_FRAME_SIDE.
CLI::Option* addSizeOption(CLI::App& app, FrameSize& size);

// The settings every tool's options share; call before adding options.
void useToolDefaults(CLI::App& app);

// Parses argv into app's options. Empty when the tool should go on; otherwise the exit status, after --help
// printed the usage (0) or a bad argument printed one line to stderr (2).
std::optional<int> readArguments(CLI::App& app, int argc, char** argv);

// Prints "TOOL: what" to stderr for a bad argument CLI11 cannot see (one that depends on another); returns 2.
int refuseArguments(const CLI::App& app, const std::string& what);
