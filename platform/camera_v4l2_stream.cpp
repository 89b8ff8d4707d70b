#include "platform/camera_v4l2_stream.h"

#include "platform/camera_frame.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vardo {

namespace {

// Four buffers let the driver fill one while the newest waits to be read; the driver may
// insist on more or give fewer.
constexpr unsigned requestedBuffers = 4;

int xioctl(int fd, unsigned long request, void *argument)
{
    int result;
    do
        result = ::ioctl(fd, request, argument);
    while (result == -1 && errno == EINTR);
    return result;
}

} // namespace

bool V4l2Stream::fail(std::string reason, bool busy)
{
    close();
    error_ = {std::move(reason), busy};
    return false;
}

bool V4l2Stream::failWithErrno(const char *what)
{
    const int error = errno;
    // Another program streaming from the device refuses a new format or buffers with
    // EBUSY; that may end by itself.
    if (error == EBUSY)
        return fail(std::strerror(error), true);
    return fail(std::string(what) + std::strerror(error));
}

bool V4l2Stream::open(const std::string &node)
{
    close();
    error_ = {};
    fd_ = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        return fail(std::strerror(error), error == EBUSY);
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISCHR(st.st_mode))
        return fail("the device could not be opened for capture");

    v4l2_capability caps{};
    if (xioctl(fd_, VIDIOC_QUERYCAP, &caps) != 0)
        return fail("the device could not be opened for capture");
    const std::uint32_t deviceCaps = (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
    if (!(deviceCaps & V4L2_CAP_VIDEO_CAPTURE) || !(deviceCaps & V4L2_CAP_STREAMING))
        return fail("the device could not be opened for capture");

    const auto wanted = offeredFormat();
    if (!wanted)
        return fail("the device offers no picture format this program reads (YUYV or Motion-JPEG)");
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = static_cast<std::uint32_t>(wanted->width);
    format.fmt.pix.height = static_cast<std::uint32_t>(wanted->height);
    format.fmt.pix.pixelformat = wanted->pixelFormat;
    format.fmt.pix.field = V4L2_FIELD_ANY;
    if (xioctl(fd_, VIDIOC_S_FMT, &format) != 0)
        return failWithErrno("the device refuses the capture format: ");
    // The driver may adjust what it was asked for; what it set is what arrives.
    format_ = {format.fmt.pix.pixelformat, static_cast<int>(format.fmt.pix.width),
               static_cast<int>(format.fmt.pix.height)};
    if (!isReadablePixelFormat(format_.pixelFormat) || format_.width <= 0 || format_.height <= 0)
        return fail("the device refuses the capture format: it delivers another one");
    decoder_ = std::make_unique<V4l2PictureDecoder>(format_, format.fmt.pix.bytesperline);

    if (!mapBuffers())
        return false;
    for (std::uint32_t i = 0; i < buffers_.size(); ++i)
        if (!queue(i))
            return failWithErrno("the device could not start capturing: ");
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (xioctl(fd_, VIDIOC_STREAMON, &type) != 0)
        return failWithErrno("the device could not start capturing: ");
    streaming_ = true;
    return true;
}

std::optional<V4l2PictureFormat> V4l2Stream::offeredFormat()
{
    std::vector<V4l2PictureFormat> sizes;
    std::vector<V4l2SizeRange> ranges;
    v4l2_fmtdesc description{};
    description.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (description.index = 0; xioctl(fd_, VIDIOC_ENUM_FMT, &description) == 0; ++description.index) {
        if (!isReadablePixelFormat(description.pixelformat))
            continue;
        v4l2_frmsizeenum size{};
        size.pixel_format = description.pixelformat;
        bool listed = false;
        for (size.index = 0; xioctl(fd_, VIDIOC_ENUM_FRAMESIZES, &size) == 0; ++size.index) {
            listed = true;
            if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                sizes.push_back({description.pixelformat, static_cast<int>(size.discrete.width),
                                 static_cast<int>(size.discrete.height)});
            } else {
                const auto &s = size.stepwise;
                ranges.push_back({description.pixelformat, static_cast<int>(s.min_width), static_cast<int>(s.max_width),
                                  static_cast<int>(s.step_width), static_cast<int>(s.min_height),
                                  static_cast<int>(s.max_height), static_cast<int>(s.step_height)});
                break; // one range describes every size
            }
        }
        // A driver that does not list its sizes is asked for 640 x 480 and adjusts it.
        if (!listed)
            sizes.push_back({description.pixelformat, cameraFrameWidth, cameraFrameHeight});
    }
    return chooseCaptureFormat(sizes, ranges);
}

bool V4l2Stream::mapBuffers()
{
    v4l2_requestbuffers request{};
    request.count = requestedBuffers;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (xioctl(fd_, VIDIOC_REQBUFS, &request) != 0)
        return failWithErrno("the device could not start capturing: ");
    if (request.count < 2)
        return fail("the device could not start capturing: too few buffers");
    for (std::uint32_t i = 0; i < request.count; ++i) {
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        buffer.index = i;
        if (xioctl(fd_, VIDIOC_QUERYBUF, &buffer) != 0)
            return failWithErrno("the device could not start capturing: ");
        void *start = ::mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, buffer.m.offset);
        if (start == MAP_FAILED)
            return failWithErrno("the device could not start capturing: ");
        buffers_.push_back({start, buffer.length});
    }
    return true;
}

bool V4l2Stream::queue(std::uint32_t index)
{
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    buffer.index = index;
    return xioctl(fd_, VIDIOC_QBUF, &buffer) == 0;
}

bool V4l2Stream::requeueHeld()
{
    if (held_ < 0)
        return true;
    const auto index = static_cast<std::uint32_t>(held_);
    held_ = -1;
    return queue(index);
}

int V4l2Stream::takeReadyFrames()
{
    int taken = 0;
    for (;;) {
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        if (xioctl(fd_, VIDIOC_DQBUF, &buffer) != 0)
            return errno == EAGAIN ? taken : -1;
        if (buffer.index >= buffers_.size())
            return -1;
        // A newer frame replaces the one taken before it; a frame the driver marks as
        // damaged goes straight back.
        if (buffer.flags & V4L2_BUF_FLAG_ERROR) {
            if (!queue(buffer.index))
                return -1;
            continue;
        }
        if (!requeueHeld())
            return -1;
        held_ = static_cast<int>(buffer.index);
        heldBytes_ = std::min<std::size_t>(buffer.bytesused, buffers_[buffer.index].length);
        taken = 1;
    }
}

bool V4l2Stream::grab(int timeoutMs)
{
    if (!streaming_ || !requeueHeld())
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int ready = takeReadyFrames();
        if (ready != 0)
            return ready > 0;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd waiting{fd_, POLLIN, 0};
        const int polled = ::poll(&waiting, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno != EINTR)
            return false;
        if (polled > 0 && (waiting.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(waiting.revents & POLLIN))
            return false; // unplugged, or streaming stopped under us
    }
}

bool V4l2Stream::retrieve(cv::Mat &bgr)
{
    if (held_ < 0 || !decoder_)
        return false;
    return decoder_->decode(static_cast<const std::uint8_t *>(buffers_[held_].start), heldBytes_, bgr);
}

void V4l2Stream::close()
{
    if (fd_ >= 0 && streaming_) {
        v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        xioctl(fd_, VIDIOC_STREAMOFF, &type);
    }
    streaming_ = false;
    held_ = -1;
    for (const Buffer &b : buffers_)
        ::munmap(b.start, b.length);
    buffers_.clear();
    // Closing gives the buffers back, so that the next program may set a format.
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    decoder_.reset();
}

} // namespace vardo
