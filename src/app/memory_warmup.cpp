// Memory warm-up: pages faulted in on another core while the window opens, for the driver to reuse.
#include "app/memory_warmup.h"

#include <sys/mman.h>
#include <unistd.h>

#include <thread>

bool warmMemory(std::size_t bytes) {
    if (bytes == 0) return false;
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (block == MAP_FAILED) return false;
    // Huge pages where the kernel allows them, as glibc asks for the driver's large blocks.
    madvise(block, bytes, MADV_HUGEPAGE);
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    volatile char* bytesOf = static_cast<char*>(block);
    for (std::size_t offset = 0; offset < bytes; offset += page) bytesOf[offset] = 1;
    // All at once: given back in small pieces while the others allocate, the pages helped less (measured).
    munmap(block, bytes);
    return true;
}

void startMemoryWarmup(std::size_t bytes) {
    std::thread([bytes] { warmMemory(bytes); }).detach();
}
