// Memory warm-up: pages faulted in on another core while the window opens, for the driver to reuse.
#pragma once

#include <cstddef>

// Maps bytes of fresh memory, writes one byte in every page and gives it all back at once. On these
// virtual machines a page never touched before costs a fault in the host as well; the kernel hands pages
// just given back to the next allocations, so the software rasteriser's zero-filled shadow array and the
// first frame find them ready. False when nothing was mapped (zero bytes, or the system refused).
bool warmMemory(std::size_t bytes);

// The warm-up on a thread of its own that nobody waits for: it touches only memory it maps itself.
void startMemoryWarmup(std::size_t bytes);
