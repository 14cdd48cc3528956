// ffmpeg pipe through posix_spawnp: no shell, so no quoting of paths.
#include "ffmpeg_pipe.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sstream>

extern char** environ;

bool onPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string file = (folder.empty() ? std::string(".") : folder) + "/" + name;
        struct stat info {};
        if (stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(file.c_str(), X_OK) == 0) return true;
    }
    return false;
}

bool startFfmpeg(FfmpegPipe& ffmpeg, const std::vector<std::string>& args) {
    int ends[2];
    // Close-on-exec: a later ffmpeg must not hold this one's input open.
    if (pipe2(ends, O_CLOEXEC) != 0) return false;
    std::vector<std::string> words{"ffmpeg"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
    // The capture ignores SIGPIPE to see a broken pipe as an error; ffmpeg gets the default back.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    const int failed = posix_spawnp(&ffmpeg.pid, "ffmpeg", &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[0]);
    if (failed != 0) {
        close(ends[1]);
        ffmpeg = FfmpegPipe{};
        return false;
    }
    ffmpeg.input = ends[1];
    return true;
}

bool feedFfmpeg(FfmpegPipe& ffmpeg, const void* data, std::size_t bytes) {
    const char* at = static_cast<const char*>(data);
    while (bytes > 0) {
        if (ffmpeg.input < 0) return false;
        const ssize_t written = write(ffmpeg.input, at, bytes);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        at += written;
        bytes -= static_cast<std::size_t>(written);
    }
    return true;
}

bool finishFfmpeg(FfmpegPipe& ffmpeg) {
    if (ffmpeg.input >= 0) close(ffmpeg.input);
    int status = 0;
    pid_t waited = -1;
    if (ffmpeg.pid > 0) {
        do waited = waitpid(ffmpeg.pid, &status, 0);
        while (waited < 0 && errno == EINTR);
    }
    const bool ok = ffmpeg.pid > 0 && waited == ffmpeg.pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    ffmpeg = FfmpegPipe{};
    return ok;
}
