#pragma once

#include "platform/task_queue.h"

#include <opencv2/core/mat.hpp>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vardo {

struct CameraDevice {
    std::string path;  // /dev/video0, or the file or folder of a recorded source
    std::string name;  // what the driver calls it
    bool integrated = false; // built into the machine (a laptop's front camera)
};

// Linux has no camera permission dialog: a device node the user may not open is
// "denied", anything else behaves as authorised.
enum class CameraAuthorization { notDetermined, restricted, denied, authorized };

// What the capture back end reports about a running session.
enum class CameraNotification { interrupted, interruptionEnded, runtimeError };

// A frame that has arrived but whose pixels have not been touched yet: grabbing is
// cheap, decoding happens only when somebody asks for the pixels.
class CapturedFrame {
public:
    virtual ~CapturedFrame() = default;
    // Decodes the frame into 8-bit BGR. False when the frame has no usable pixels.
    virtual bool retrieve(cv::Mat &bgr) = 0;
};

class FrameReceiver {
public:
    virtual ~FrameReceiver() = default;
    virtual void frameArrived(CapturedFrame &frame) = 0;
};

// Why a device could not be opened, in words for the log ("no such file or folder");
// busy when another program holds it, which may end by itself.
struct CameraInputError {
    std::string reason;
    bool busy = false;
};

// One capture pipeline: a device input and a frame output delivering serially on the
// queue given to setReceiver, dropping frames that arrive while the receiver is busy.
class CaptureSession {
public:
    virtual ~CaptureSession() = default;
    // Opens the device. False when it cannot be opened, refuses the configuration or
    // delivers nothing that can be decoded; inputError() then says why.
    virtual bool addInput(const CameraDevice &device) = 0;
    virtual CameraInputError inputError() const = 0;
    virtual void setReceiver(FrameReceiver *receiver, TaskQueue &deliveryQueue) = 0;
    // Both are called on the delivery queue; startRunning returns once frames flow.
    virtual void startRunning() = 0;
    virtual void stopRunning() = 0;
};

// Hands the notifications of a camera's sessions to the one handler registered for
// them; sessions report from the capture thread, the handler may be set from another.
class CameraNotifier {
public:
    void setHandler(std::function<void(CameraNotification)> handler)
    {
        std::lock_guard lock(mutex_);
        handler_ = std::move(handler);
    }
    void notify(CameraNotification notification)
    {
        std::function<void(CameraNotification)> handler;
        {
            std::lock_guard lock(mutex_);
            handler = handler_;
        }
        if (handler)
            handler(notification);
    }

private:
    std::mutex mutex_;
    std::function<void(CameraNotification)> handler_;
};

class Camera {
public:
    virtual ~Camera() = default;
    // Every video-capture device, whatever its position or kind.
    virtual std::vector<CameraDevice> discoverDevices() = 0;
    // The integrated front camera, if there is one.
    virtual std::optional<CameraDevice> preferredDevice() = 0;
    // Any capture device.
    virtual std::optional<CameraDevice> fallbackDevice() = 0;
    virtual CameraAuthorization authorization() = 0;
    // Asks the user once; the answer may arrive on any thread.
    virtual void requestAccess(std::function<void(bool granted)> completion) = 0;
    virtual std::unique_ptr<CaptureSession> createSession() = 0;
    // Receives the notifications of every session of this camera, on any thread.
    virtual void setNotificationHandler(std::function<void(CameraNotification)> handler) = 0;
};

} // namespace vardo
