// Video through two ffmpeg runs: raw frames to H.264 while rendering, then the video stream copied beside the AAC sound.
#include "video.h"

#include "flight_sound.h"

#include <cstdio>
#include <filesystem>

namespace {

// Only what fails is printed; no banner or statistics between the capture's own lines.
const std::vector<std::string> QUIET = {"-hide_banner", "-nostats", "-loglevel", "error", "-y"};

std::vector<std::string> withQuiet(std::vector<std::string> args) {
    args.insert(args.begin(), QUIET.begin(), QUIET.end());
    return args;
}

void removeParts(const VideoOut& video) {
    std::error_code ignored;
    std::filesystem::remove(video.pictures, ignored);
    std::filesystem::remove(video.muxed, ignored);
}

bool addSound(VideoOut& video, const std::vector<int16_t>& sound) {
    const std::string rate = std::to_string(FLIGHT_SOUND_RATE);
    if (!startFfmpeg(video.ffmpeg, withQuiet({"-i", video.pictures, "-f", "s16le", "-ar", rate, "-ac", "2", "-i",
                                              "pipe:0", "-map", "0:v", "-map", "1:a", "-c:v", "copy", "-c:a", "aac",
                                              "-b:a", "192k", "-f", "mp4", video.muxed})))
        return false;
    const bool fed = feedFfmpeg(video.ffmpeg, sound.data(), sound.size() * sizeof(int16_t));
    return finishFfmpeg(video.ffmpeg) && fed;
}

}  // namespace

bool startVideo(VideoOut& video, const std::string& dir, FrameSize size, double fps) {
    video.path = dir + "/flight.mp4";
    // Not named .mp4, so that a run cut short leaves nothing that looks like a video.
    video.pictures = dir + "/flight-pictures.mp4.part";
    video.muxed = dir + "/flight.mp4.part";
    removeParts(video);
    char rate[32];
    std::snprintf(rate, sizeof rate, "%g", fps);
    const std::string frameSize = std::to_string(size.width) + "x" + std::to_string(size.height);
    // GL rows run bottom-up; yuv420p plays everywhere but needs even sides.
    return startFfmpeg(video.ffmpeg, withQuiet({"-f", "rawvideo", "-pixel_format", "rgb24", "-video_size", frameSize,
                                                "-framerate", rate, "-i", "pipe:0", "-vf",
                                                "vflip,pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libx264",
                                                "-pix_fmt", "yuv420p", "-f", "mp4", video.pictures}));
}

bool addVideoFrame(VideoOut& video, const FramePixels& frame) {
    return !frame.rgb.empty() && feedFfmpeg(video.ffmpeg, frame.rgb.data(), frame.rgb.size());
}

bool finishVideo(VideoOut& video, const std::vector<int16_t>& sound) {
    bool done = finishFfmpeg(video.ffmpeg);
    if (done && !sound.empty()) done = addSound(video, sound);
    std::error_code error;
    if (done) std::filesystem::rename(sound.empty() ? video.pictures : video.muxed, video.path, error);
    removeParts(video);
    return done && !error;
}

void abandonVideo(VideoOut& video) {
    finishFfmpeg(video.ffmpeg);
    removeParts(video);
}
