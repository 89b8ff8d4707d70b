#pragma once

#include <opencv2/core/mat.hpp>

#include <memory>
#include <string>

namespace vardo {

// A video file read frame by frame through FFmpeg's libraries (loaded on the first
// open): the frames are decoded in order, and converted to BGR only when asked for.
class VideoFileDecoder {
public:
    VideoFileDecoder();
    ~VideoFileDecoder();
    VideoFileDecoder(const VideoFileDecoder &) = delete;
    VideoFileDecoder &operator=(const VideoFileDecoder &) = delete;

    // False when the file is not a video whose pictures this machine can decode.
    bool open(const std::string &path);
    // Set when no file can be opened at all: FFmpeg's libraries are missing.
    const std::string &librariesError() const { return error_; }
    // Decodes the next frame; false at the end of the clip or when it breaks off.
    bool next();
    // Back to the first frame; next() then decodes it.
    bool rewind();
    // The last decoded frame as 8-bit BGR, turned upright when the file says it is
    // recorded rotated.
    bool retrieve(cv::Mat &bgr);
    // The clip's frame rate as the file states it, or 0 when it does not.
    double framesPerSecond() const;

private:
    struct State;
    std::unique_ptr<State> state_;
    std::string error_;
};

} // namespace vardo
