// Test support: start, drive and stop the game binary; read and compare pictures.
#include "support/game_run.h"

#include "core/gl_debug.h"

#include "support/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stb_image.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

namespace {

// Polls `done` every 100 ms for up to seconds.
bool within(double seconds, const std::function<bool()>& done) {
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds); !done();)
        if (std::chrono::steady_clock::now() > end) return false;
        else std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return true;
}

bool reaped(GameRun& run, int flags) {
    int status = 0;
    if (run.pid > 0 && waitpid(run.pid, &status, flags) == run.pid) run.pid = 0, run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run.pid <= 0;
}

}  // namespace

GameRun::GameRun(const std::string& where, const std::string& env, double windowSeconds, const std::string& program)
    : dir(where) {
    if ((pid = fork()) == 0) {
        const std::string binary = program.empty() ? binaryDir() + "/hollowmere" : program;
        const std::string cmd = "cd " + dir + " && " + env + " exec " + binary + " >out.txt 2>&1 </dev/null";
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // --all: this game's window by pid and title; xdotool's default matches either, so a run beside another
    // (ctest -j) would take the other game's or tool's window.
    within(windowSeconds, [&] {
        window = runCommand("xdotool search --all --pid " + std::to_string(pid) + " --name 'KVR31 - Hollowmere' 2>/dev/null").output;
        window = window.substr(0, window.find('\n'));
        return !window.empty() || reaped(*this, WNOHANG);
    });
}

GameRun::~GameRun() {
    if (pid > 0) kill(pid, SIGKILL);
    reaped(*this, 0);
    // The game's GL errors fail the test that ran it.
    const std::string output = gameOutput(*this);
    EXPECT_EQ(output.find(GL_ERROR_PREFIX), std::string::npos) << "the game reported GL errors:\n" << output;
}

void sendKey(const GameRun& run, const std::string& key) { runCommand("xdotool key --window " + run.window + " " + key); }

int waitForExit(GameRun& run, double seconds) {
    if (!within(seconds, [&] { return reaped(run, WNOHANG); })) kill(run.pid, SIGKILL), reaped(run, 0), run.status = -1;
    return run.status;
}

bool waitForOutput(GameRun& run, const std::string& text, double seconds) {
    const auto printed = [&] { return gameOutput(run).find(text) != std::string::npos; };
    return within(seconds, [&] { return printed() || reaped(run, WNOHANG); }) && printed();
}

std::string gameOutput(const GameRun& run) { return readFile(run.dir + "/out.txt"); }

std::string faketimeEnv() {
    const char* library = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";  // Debian's libfaketime
    return std::filesystem::exists(library) ? std::string("LD_PRELOAD=") + library : std::string();
}

Picture readImage(const std::string& path) {
    Picture picture;
    int channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 3);
    if (pixels) picture.rgb.assign(pixels, pixels + static_cast<size_t>(picture.width) * picture.height * 3);
    return stbi_image_free(pixels), picture;
}

double changedShare(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.empty()) return 1.0;
    size_t changed = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3)
        changed += std::max({std::fabs(a.rgb[i] - b.rgb[i]), std::fabs(a.rgb[i + 1] - b.rgb[i + 1]),
                             std::fabs(a.rgb[i + 2] - b.rgb[i + 2])}) > 4.0f;
    return 3.0 * changed / a.rgb.size();
}

bool looksDrawn(const Picture& picture) {
    Picture flat = picture;  // the first pixel's colour all over
    for (size_t i = 0; i < flat.rgb.size(); ++i) flat.rgb[i] = picture.rgb[i % 3];
    return !picture.rgb.empty() && changedShare(picture, flat) > 1.0 / 300;
}

Picture waitForPicture(const GameRun& run, double seconds, const std::function<bool(const Picture&)>& wanted,
                       double still) {
    // A shot that could not be taken reads as an empty picture.
    const auto shot = [&] { return runCommand("import -depth 8 -window " + run.window + " " + run.dir + "/s.ppm"), readImage(run.dir + "/s.ppm"); };
    Picture found, last = shot();
    within(seconds, [&] {
        Picture next = shot();
        if (!next.rgb.empty() && changedShare(next, last) <= still && wanted(next)) found = next;
        return last = std::move(next), !found.rgb.empty() || run.window.empty();
    });
    return found;
}
