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
    while (!done())
        if (std::chrono::steady_clock::now() > end) return false;
        else std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return true;
}

bool reaped(GameRun& run, int flags) {
    int status = 0;
    if (run.pid > 0 && waitpid(run.pid, &status, flags) == run.pid) {
        run.pid = 0;
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return run.pid <= 0;
}

}  // namespace

GameRun::GameRun(const std::string& where, const std::string& env, double windowSeconds) : dir(where) {
    pid = fork();
    if (pid == 0) {
        const std::string cmd = "cd " + dir + " && " + env + " exec " + binaryDir() + "/hollowmere >out.txt 2>&1 </dev/null";
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    within(windowSeconds, [&] {
        window = runCommand("xdotool search --pid " + std::to_string(pid) + " --name 'KVR31 - Hollowmere' 2>/dev/null")
                     .output;
        window = window.substr(0, window.find('\n'));
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
    if (within(seconds, [&] { return reaped(run, WNOHANG); })) return run.status;
    kill(run.pid, SIGKILL);
    reaped(run, 0);
    return -1;
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
