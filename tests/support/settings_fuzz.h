// Test support: generated settings files for fuzzing, and what a reading of one may print.
#pragma once

#include <string>
#include <vector>

// `count` settings files from a fixed seed: known and unknown keys in any case, numbers of every form,
// stray bytes, comments, continuations, long lines, other sections, sometimes no final newline.
std::vector<std::string> fuzzSettingsFiles(int count, unsigned seed);

// True when every line of `output` is one the settings reading may print for a file that opens.
bool onlySettingsLines(const std::string& output);
