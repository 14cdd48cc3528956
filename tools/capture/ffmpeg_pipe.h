// ffmpeg pipe: an ffmpeg process started from an argument list, fed through its standard input.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

struct FfmpegPipe {
    pid_t pid = -1;
    int input = -1;  // the write end of ffmpeg's standard input
};

// True when an executable named `name` is in a folder of PATH.
bool onPath(const std::string& name);

// Starts `ffmpeg args...` with its standard input on a pipe and its output on ours; false when it cannot start.
bool startFfmpeg(FfmpegPipe& ffmpeg, const std::vector<std::string>& args);

// Writes all the bytes; false once ffmpeg no longer reads (it ended or failed).
bool feedFfmpeg(FfmpegPipe& ffmpeg, const void* data, std::size_t bytes);

// Ends the input and waits for ffmpeg; true when it exited with status 0.
bool finishFfmpeg(FfmpegPipe& ffmpeg);
