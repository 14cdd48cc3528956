// Video: the captured frames streamed into ffmpeg as they are drawn, the sound added at the end, one MP4.
#pragma once

#include "ffmpeg_pipe.h"

#include "app/offscreen.h"
#include "common/frame_size.h"

#include <cstdint>
#include <string>
#include <vector>

struct VideoOut {
    std::string path;      // DIR/flight.mp4: only ever a finished video
    std::string pictures;  // the pictures alone while they are encoded
    std::string muxed;     // pictures and sound while they are put together
    FfmpegPipe ffmpeg;
};

// Starts encoding frames of `size` at `fps` for DIR/flight.mp4; false when ffmpeg cannot start.
bool startVideo(VideoOut& video, const std::string& dir, FrameSize size, double fps);

// Sends one frame (rows bottom-up, as read back); false when ffmpeg no longer takes frames.
bool addVideoFrame(VideoOut& video, const FramePixels& frame);

// Ends the pictures, adds the sound (16-bit stereo) unless it is empty and names the file DIR/flight.mp4;
// false when ffmpeg failed, and then no file of the video is left.
bool finishVideo(VideoOut& video, const std::vector<int16_t>& sound);

// Stops a video that will not be finished and removes its files.
void abandonVideo(VideoOut& video);
