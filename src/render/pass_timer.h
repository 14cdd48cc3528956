// Per-pass frame timing for the benchmark: GL timer queries cross-checked with glFinish-bracketed CPU time.
#pragma once

#include <array>
#include <chrono>

enum class Pass : int { Shadow = 0, Scene, Sky, Volumetric, Composite, Overlay };
inline constexpr int PASS_COUNT = 6;
inline constexpr const char* PASS_NAMES[PASS_COUNT] = {"shadow", "scene", "sky", "volumetric", "composite", "overlay"};

// Owns GL query names; made once by the benchmark, never copied.
struct PassTimer {
    std::array<unsigned int, PASS_COUNT * 2> queries{};
    std::array<bool, PASS_COUNT> ran{};
    std::array<double, PASS_COUNT> gpuMs{};
    std::array<double, PASS_COUNT> cpuMs{};
    std::array<std::chrono::steady_clock::time_point, PASS_COUNT> cpuStart{};

    PassTimer() = default;
    PassTimer(const PassTimer&) = delete;
    PassTimer& operator=(const PassTimer&) = delete;
};

void createPassTimer(PassTimer& timer);
void beginPassTiming(PassTimer& timer, Pass pass);
void endPassTiming(PassTimer& timer, Pass pass);
// Waits for the frame's queries and fills gpuMs; passes that did not run read 0. Clears ran.
void collectPassTimes(PassTimer& timer);

// The frame's hooks: timer is null while the game runs normally, and each hook is then one branch.
inline void beginPass(PassTimer* timer, Pass pass) {
    if (timer) beginPassTiming(*timer, pass);
}
inline void endPass(PassTimer* timer, Pass pass) {
    if (timer) endPassTiming(*timer, pass);
}
