#pragma once

#include "platform/camera.h"

namespace vardo {

// Video-capture devices of Video4Linux2 (/dev/video*), streamed at the size nearest
// 640×480 in YUYV or Motion-JPEG. Only the newest frame is delivered, so frames that
// arrive while the previous one is still being analysed are dropped instead of queueing
// up, and only the frames somebody retrieves are converted.
class V4l2Camera final : public Camera {
public:
    explicit V4l2Camera(std::string deviceDirectory = "/dev");

    std::vector<CameraDevice> discoverDevices() override;
    std::optional<CameraDevice> preferredDevice() override;
    std::optional<CameraDevice> fallbackDevice() override;
    CameraAuthorization authorization() override;
    void requestAccess(std::function<void(bool)> completion) override;
    std::unique_ptr<CaptureSession> createSession() override;
    void setNotificationHandler(std::function<void(CameraNotification)> handler) override;

    void notify(CameraNotification notification) { notifier_.notify(notification); }

private:
    struct Probe {
        std::vector<CameraDevice> devices;
        int deniedNodes = 0;
    };
    Probe probe();

    std::string deviceDirectory_;
    CameraNotifier notifier_;
};

} // namespace vardo
