// Test support: start, drive and stop the game binary.
#include "support/game_run.h"

#include "support/process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

namespace {

// Polls `done` every 100 ms for up to seconds.
bool within(double seconds, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

bool reaped(GameRun& run, int flags) {
    int status = 0;
    if (run.pid <= 0 || waitpid(run.pid, &status, flags) != run.pid) return run.pid <= 0;
    run.pid = 0;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

}  // namespace

GameRun::GameRun(const std::string& where, const std::string& env, double windowSeconds) : dir(where) {
    pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(127);
        const std::string cmd = env + " exec " + binaryDir() + "/hollowmere > out.txt 2>&1 < /dev/null";
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    within(windowSeconds, [&] {
        const CommandResult r = runCommand("xdotool search --pid " + std::to_string(pid) +
                                           " --name 'KVR31 - Hollowmere' 2>/dev/null | head -1");
        if (r.status == 0 && !r.output.empty()) window = r.output.substr(0, r.output.find('\n'));
        return !window.empty() || reaped(*this, WNOHANG);
    });
}

GameRun::~GameRun() {
    if (pid > 0) kill(pid, SIGKILL);
    reaped(*this, 0);
}

void sendKey(const GameRun& run, const std::string& key) {
    if (!run.window.empty()) runCommand("xdotool key --window " + run.window + " " + key);
}

int waitForExit(GameRun& run, double seconds) {
    if (!within(seconds, [&] { return reaped(run, WNOHANG); })) {
        kill(run.pid, SIGKILL);
        reaped(run, 0);
        return -1;
    }
    return run.status;
}

bool waitForOutput(GameRun& run, const std::string& text, double seconds) {
    return within(seconds, [&] { return gameOutput(run).find(text) != std::string::npos || reaped(run, WNOHANG); }) &&
           gameOutput(run).find(text) != std::string::npos;
}

std::string gameOutput(const GameRun& run) { return readFile(run.dir + "/out.txt"); }

std::string faketimeEnv() {
    for (const char* path : {"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                             "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1"})
        if (std::filesystem::exists(path)) return std::string("LD_PRELOAD=") + path;
    return {};
}
