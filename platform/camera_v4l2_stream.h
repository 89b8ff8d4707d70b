#pragma once

#include "platform/camera.h"
#include "platform/camera_v4l2_decoder.h"

#include <opencv2/core/mat.hpp>

#include <memory>
#include <string>
#include <vector>

namespace vardo {

// One Video4Linux2 capture device streaming into memory-mapped buffers, as the kernel's
// capture example does it. Grabbing takes the newest frame the driver has filled and
// gives the older ones back, so a slow reader sees the present, not a queue of the past;
// the pixels are decoded only when retrieved.
class V4l2Stream {
public:
    V4l2Stream() = default;
    ~V4l2Stream() { close(); }
    V4l2Stream(const V4l2Stream &) = delete;
    V4l2Stream &operator=(const V4l2Stream &) = delete;

    // Opens the device, picks its format and starts streaming. False when any step
    // fails; error() then says why and nothing is left open.
    bool open(const std::string &node);
    const CameraInputError &error() const { return error_; }
    bool isOpen() const { return fd_ >= 0; }
    V4l2PictureFormat format() const { return format_; }

    // Waits up to timeoutMs for a frame. False when the device fails (unplugged, an I/O
    // error) or sends nothing in time.
    bool grab(int timeoutMs);
    // The grabbed frame as 8-bit BGR; false when it does not decode.
    bool retrieve(cv::Mat &bgr);
    void close();

private:
    struct Buffer {
        void *start = nullptr;
        std::size_t length = 0;
    };

    bool fail(std::string reason, bool busy = false);
    bool failWithErrno(const char *what);
    std::optional<V4l2PictureFormat> offeredFormat();
    bool mapBuffers();
    bool queue(std::uint32_t index);
    bool requeueHeld();
    // -1: failed; 0: nothing ready; 1: a frame is held.
    int takeReadyFrames();

    int fd_ = -1;
    CameraInputError error_;
    V4l2PictureFormat format_;
    std::vector<Buffer> buffers_;
    std::unique_ptr<V4l2PictureDecoder> decoder_;
    bool streaming_ = false;
    int held_ = -1;          // the buffer index of the frame grabbed, or -1
    std::size_t heldBytes_ = 0;
};

} // namespace vardo
