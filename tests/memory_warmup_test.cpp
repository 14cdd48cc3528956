// Memory warm-up: what it maps, whether it says so, and that it gives everything back.
#include "app/memory_warmup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>
#include <limits>

namespace {

// The process's mapped size in bytes, from the first field of /proc/self/statm.
std::size_t mappedBytes() {
    std::ifstream in("/proc/self/statm");
    std::size_t pages = 0;
    in >> pages;
    return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

}  // namespace

TEST(MemoryWarmup, SaysWhetherItMappedAnything) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    struct Case {
        std::size_t bytes;
        bool warmed;
    } cases[] = {
        {0, false},
        {1, true},  // less than a page still maps one
        {page, true},
        {page * 3 + 1, true},
        {std::size_t{64} << 20, true},
        // More than any address space: refused, and no crash.
        {std::numeric_limits<std::size_t>::max() / 2, false},
        {std::numeric_limits<std::size_t>::max(), false},
    };
    for (const Case& c : cases) EXPECT_EQ(warmMemory(c.bytes), c.warmed) << c.bytes << " bytes";
}

TEST(MemoryWarmup, GivesBackWhatItMapped) {
    const std::size_t bytes = std::size_t{256} << 20;
    const std::size_t before = mappedBytes();
    ASSERT_TRUE(warmMemory(bytes));
    // Kept, the block would show as 256 MB more; allow for the allocator's own small growth.
    EXPECT_LT(mappedBytes(), before + bytes / 16) << "the warmed block is still mapped";
}
