#include "platform/camera_v4l2.h"

#include "platform/camera_frame.h"
#include "platform/camera_v4l2_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vardo {

namespace fs = std::filesystem;

namespace {

std::string readFirstLine(const fs::path &path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// Laptops attach their front camera to an internal USB port, which the kernel marks
// "fixed"; failing that, the driver's name usually says so.
bool looksIntegrated(const std::string &node, const std::string &name)
{
    const fs::path sysfs = fs::path("/sys/class/video4linux") / fs::path(node).filename() / "device";
    std::error_code ec;
    for (fs::path p = fs::canonical(sysfs, ec); !ec && p.has_relative_path() && p != "/sys"; p = p.parent_path()) {
        const std::string removable = readFirstLine(p / "removable");
        if (!removable.empty())
            return removable == "fixed";
    }
    for (const char *hint : {"Integrated", "Built-in", "Internal", "integrated", "built-in"})
        if (name.find(hint) != std::string::npos)
            return true;
    return false;
}

// A frame is due 30 times a second; a device silent for this long has stopped.
constexpr int frameTimeoutMs = 10000;

class V4l2Frame final : public CapturedFrame {
public:
    explicit V4l2Frame(V4l2Stream &stream) : stream_(stream) {}
    bool retrieve(cv::Mat &bgr) override { return withoutThrowing([&] { return stream_.retrieve(bgr) && !bgr.empty(); }); }

private:
    V4l2Stream &stream_;
};

class V4l2CaptureSession final : public CaptureSession {
public:
    explicit V4l2CaptureSession(V4l2Camera &camera) : camera_(camera) {}
    ~V4l2CaptureSession() override { *alive_ = false; }

    bool addInput(const CameraDevice &device) override
    {
        device_ = device;
        if (!stream_.open(device.path)) {
            error_ = stream_.error();
            return false;
        }
        // A device that streams but whose pictures cannot be read is no camera to watch with.
        cv::Mat first;
        if (!stream_.grab(frameTimeoutMs) || !withoutThrowing([&] { return stream_.retrieve(first); })) {
            stream_.close();
            error_ = {"the device delivers no picture that can be decoded", false};
            return false;
        }
        error_ = {};
        return true;
    }

    CameraInputError inputError() const override { return error_; }

    void setReceiver(FrameReceiver *receiver, TaskQueue &queue) override
    {
        receiver_ = receiver;
        queue_ = &queue;
    }

    void startRunning() override
    {
        if (running_ || !queue_)
            return;
        running_ = true;
        schedulePump(0.0);
    }

    void stopRunning() override
    {
        running_ = false;
        stream_.close();
    }

private:
    void schedulePump(double delay)
    {
        std::weak_ptr<bool> alive = alive_;
        queue_->postAfter(delay, [this, alive] {
            if (auto a = alive.lock(); a && *a)
                pump();
        });
    }

    // One frame per task, so that stopping and other work on the queue get their turn.
    void pump()
    {
        if (!running_)
            return;
        if (interrupted_) {
            if (fs::exists(device_.path) && stream_.open(device_.path)) {
                interrupted_ = false;
                camera_.notify(CameraNotification::interruptionEnded);
            } else {
                schedulePump(1.0);
                return;
            }
        }
        if (stream_.grab(frameTimeoutMs)) {
            V4l2Frame frame(stream_);
            if (receiver_)
                receiver_->frameArrived(frame);
            schedulePump(0.0);
            return;
        }
        // Unplugged devices disappear from /dev; a device that is still there but
        // fails to deliver has a run-time error.
        interrupted_ = true;
        stream_.close();
        camera_.notify(fs::exists(device_.path) ? CameraNotification::runtimeError
                                                : CameraNotification::interrupted);
        schedulePump(1.0);
    }

    V4l2Camera &camera_;
    CameraDevice device_;
    CameraInputError error_;
    V4l2Stream stream_;
    FrameReceiver *receiver_ = nullptr;
    TaskQueue *queue_ = nullptr;
    bool running_ = false;
    bool interrupted_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace

V4l2Camera::V4l2Camera(std::string deviceDirectory)
    : deviceDirectory_(std::move(deviceDirectory))
{
}

V4l2Camera::Probe V4l2Camera::probe()
{
    Probe result;
    std::vector<std::string> nodes;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(deviceDirectory_, ec))
        if (entry.path().filename().string().rfind("video", 0) == 0)
            nodes.push_back(entry.path().string());
    std::sort(nodes.begin(), nodes.end());

    for (const auto &node : nodes) {
        const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            if (errno == EACCES || errno == EPERM)
                ++result.deniedNodes;
            continue;
        }
        v4l2_capability caps {};
        const bool queried = ::ioctl(fd, VIDIOC_QUERYCAP, &caps) == 0;
        ::close(fd);
        if (!queried)
            continue;
        const std::uint32_t deviceCaps = (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
        if (!(deviceCaps & V4L2_CAP_VIDEO_CAPTURE))
            continue; // metadata and output nodes of the same camera
        const std::string name(reinterpret_cast<const char *>(caps.card),
                               strnlen(reinterpret_cast<const char *>(caps.card), sizeof caps.card));
        result.devices.push_back({node, name, looksIntegrated(node, name)});
    }
    return result;
}

std::vector<CameraDevice> V4l2Camera::discoverDevices()
{
    Probe p = probe();
    // A node we may not open still is a camera the user has; it counts for discovery
    // so that the status reads "denied" rather than "no camera".
    for (int i = 0; i < p.deniedNodes; ++i)
        p.devices.push_back({"", "camera without access", false});
    return p.devices;
}

std::optional<CameraDevice> V4l2Camera::preferredDevice()
{
    for (const auto &device : probe().devices)
        if (device.integrated)
            return device;
    return std::nullopt;
}

std::optional<CameraDevice> V4l2Camera::fallbackDevice()
{
    const auto devices = probe().devices;
    if (devices.empty())
        return std::nullopt;
    return devices.front();
}

CameraAuthorization V4l2Camera::authorization()
{
    const Probe p = probe();
    if (p.devices.empty() && p.deniedNodes > 0)
        return CameraAuthorization::denied;
    return CameraAuthorization::authorized;
}

void V4l2Camera::requestAccess(std::function<void(bool)> completion)
{
    completion(authorization() == CameraAuthorization::authorized);
}

std::unique_ptr<CaptureSession> V4l2Camera::createSession()
{
    return std::make_unique<V4l2CaptureSession>(*this);
}

void V4l2Camera::setNotificationHandler(std::function<void(CameraNotification)> handler)
{
    notifier_.setHandler(std::move(handler));
}

} // namespace vardo
