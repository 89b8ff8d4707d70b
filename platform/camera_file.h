#pragma once

#include "platform/camera.h"
#include "platform/clock.h"

namespace vardo {

// Recorded footage standing in for a webcam: a video file, or a folder of images played
// in name order. Played at its own frame rate (a video's, or 30 frames a second for
// images) and looped, so the real pipeline runs on machines without a camera.
class FileCamera final : public Camera {
public:
    FileCamera(std::string path, const Clock &clock);

    std::vector<CameraDevice> discoverDevices() override;
    std::optional<CameraDevice> preferredDevice() override;
    std::optional<CameraDevice> fallbackDevice() override;
    CameraAuthorization authorization() override { return CameraAuthorization::authorized; }
    void requestAccess(std::function<void(bool)> completion) override { completion(true); }
    std::unique_ptr<CaptureSession> createSession() override;
    void setNotificationHandler(std::function<void(CameraNotification)> handler) override;

    void notify(CameraNotification notification) { notifier_.notify(notification); }

private:
    std::string path_;
    const Clock &clock_;
    CameraNotifier notifier_;
};

} // namespace vardo
