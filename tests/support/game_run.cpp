// Test support: start, drive and stop the game binary.
#include "support/game_run.h"

#include "support/process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

GameRun startGame(const std::string& dir, double timeoutSeconds, const std::string& env) {
    GameRun run;
    run.dir = dir;
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(127);
        std::string cmd = env + " exec " + binaryDir() + "/hollowmere > out.txt 2>&1 < /dev/null";
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    run.pid = pid;
    auto start = std::chrono::steady_clock::now();
    while (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < timeoutSeconds) {
        CommandResult r = runCommand("xdotool search --pid " + std::to_string(pid) + " --name 'KVR31 - Hollowmere' 2>/dev/null | head -1");
        if (r.status == 0 && !r.output.empty()) {
            run.window = r.output.substr(0, r.output.find('\n'));
            break;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            run.pid = -(WIFEXITED(status) ? WEXITSTATUS(status) : 1000);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return run;
}

void sendKey(const GameRun& run, const std::string& key) {
    if (run.window.empty()) return;
    runCommand("xdotool key --window " + run.window + " " + key);
}

int waitForExit(GameRun& run, double timeoutSeconds) {
    if (run.pid < 0) return -run.pid;
    auto start = std::chrono::steady_clock::now();
    while (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < timeoutSeconds) {
        int status = 0;
        if (waitpid(run.pid, &status, WNOHANG) == run.pid) {
            run.pid = 0;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(run.pid, SIGKILL);
    waitpid(run.pid, nullptr, 0);
    run.pid = 0;
    return -1;
}

std::string gameOutput(const GameRun& run) { return readFile(run.dir + "/out.txt"); }

std::string screenshot(const GameRun& run, const std::string& name) {
    if (run.window.empty()) return {};
    std::string path = run.dir + "/" + name + ".ppm";
    CommandResult r = runCommand("import -window " + run.window + " " + path);
    return r.status == 0 ? path : std::string();
}
