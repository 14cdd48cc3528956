// Large pages: the process starts itself once more with glibc's huge-page tunable, for a faster start.
#pragma once

#include <string>

// GLIBC_TUNABLES with glibc's malloc asked for transparent huge pages, from its current value (null when
// unset); empty when that value already says how malloc uses huge pages, so nothing is to change.
std::string largePageTunables(const char* current);

// Unless the environment already says, sets the tunable and runs this executable again with argv. Returns
// only when that was not needed or could not be done. Programs linked with this file do it before their
// static set-up (the settings print their warnings then), so nothing before it is said twice.
void startWithLargePages(char** argv);
