// Large pages: the process starts itself once more with glibc's huge-page tunable, for a faster start.
#include "app/large_pages.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

// The shadow array alone is 192 MB that the driver zeroes when it is made, and on virtual machines every
// fresh 4 KB page costs a trap: about half a second of start-up. glibc backs its large blocks with huge
// pages when told so, but it reads its tunables only as the process starts.
namespace {
constexpr const char* TUNABLE = "glibc.malloc.hugetlb";
}

std::string largePageTunables(const char* current) {
    const std::string value = std::string(TUNABLE) + "=1";
    if (!current || !*current) return value;
    if (std::strstr(current, TUNABLE)) return "";
    return std::string(current) + ":" + value;
}

void startWithLargePages(char** argv) {
    const std::string tunables = largePageTunables(std::getenv("GLIBC_TUNABLES"));
    if (tunables.empty() || !argv || !argv[0]) return;
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length <= 0) return;
    self[length] = '\0';
    // Set before the exec, so a second start never loops: it finds the tunable and returns.
    if (setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0) return;
    execv(self, argv);
    // The same process goes on, with small pages.
}

// Ahead of every static constructor of the program (priority 101 runs first), with glibc's own arguments.
[[gnu::constructor(101)]] static void startOverWithLargePages(int, char** argv, char**) { startWithLargePages(argv); }
