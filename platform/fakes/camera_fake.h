#pragma once

#include "platform/camera.h"

namespace vardo {

// A camera for tests: devices, permission and the user's answer are set by the test;
// frames are pushed in by the test and delivered on the session's queue.
class FakeCamera final : public Camera {
public:
    std::vector<CameraDevice> devices;
    std::optional<CameraDevice> front;
    CameraAuthorization access = CameraAuthorization::authorized;
    bool userGrantsAccess = true;
    bool inputFails = false;
    bool inputBusy = false; // the device fails as held by another program
    cv::Mat framePixels = cv::Mat(480, 640, CV_8UC3, cv::Scalar(90, 100, 110));
    // When set, decodes each retrieved frame instead of handing out framePixels.
    std::function<bool(cv::Mat &)> decode;
    // When set, runs as a session is destroyed.
    std::function<void()> onSessionDestroyed;

    // Counters a test reads.
    int sessionsCreated = 0;
    int sessionsStarted = 0;
    int sessionsStopped = 0;
    int accessRequests = 0;
    int pixelRetrievals = 0;
    std::string lastOpenedPath;

    std::vector<CameraDevice> discoverDevices() override { return devices; }
    std::optional<CameraDevice> preferredDevice() override { return front; }
    std::optional<CameraDevice> fallbackDevice() override;
    CameraAuthorization authorization() override { return access; }
    void requestAccess(std::function<void(bool)> completion) override;
    std::unique_ptr<CaptureSession> createSession() override;
    void setNotificationHandler(std::function<void(CameraNotification)> handler) override
    {
        notifier_.setHandler(std::move(handler));
    }

    // Posts `count` frames to the running session's queue, one task per frame.
    void deliverFrames(int count);
    void notify(CameraNotification notification) { notifier_.notify(notification); }
    bool isRunning() const;

    class Session;

private:
    friend class Session;
    Session *running_ = nullptr;
    CameraNotifier notifier_;
};

} // namespace vardo
