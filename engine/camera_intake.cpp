// Camera capture and frame intake: whether a camera may be used, the capture session on
// the processing queue, one analysed frame in five, and the camera's notifications.

#include "engine/vardo_service.h"

#include "engine/frame_analysis.h"
#include "platform/clock.h"
#include "platform/log_sink.h"
#include "engine/overlay_windows.h"
#include "platform/task_queue.h"
#include "platform/timers.h"

#include <algorithm>

namespace vardo {

VardoService::CameraStatus VardoService::refreshCameraStatus()
{
    const CameraStatus status = currentCameraStatus();
    if (status == CameraStatus::denied || status == CameraStatus::restricted || status == CameraStatus::noCameraFound)
        setCameraStatus(status);
    return status;
}

VardoService::CameraStatus VardoService::currentCameraStatus()
{
    if (platform_.camera.discoverDevices().empty())
        return CameraStatus::noCameraFound;
    switch (platform_.camera.authorization()) {
    case CameraAuthorization::notDetermined: return CameraStatus::unknown;
    case CameraAuthorization::restricted: return CameraStatus::restricted;
    case CameraAuthorization::denied: return CameraStatus::denied;
    case CameraAuthorization::authorized: return CameraStatus::granted;
    }
    return CameraStatus::unknown;
}

// The permission flow shared by both ways of starting the camera. Status updates are
// queued on the main queue before `finish` runs, so observers see the status first.
void VardoService::cameraFlow(std::function<void(bool usable)> finish)
{
    const CameraStatus status = currentCameraStatus();
    if (status == CameraStatus::denied || status == CameraStatus::restricted
        || status == CameraStatus::noCameraFound) {
        onMain([this, status] { setCameraStatus(status); });
        finish(false);
        return;
    }
    switch (platform_.camera.authorization()) {
    case CameraAuthorization::notDetermined:
        platform_.camera.requestAccess([this, finish, alive = std::weak_ptr<int>(lifetime_)](bool granted) {
            if (alive.expired())
                return;
            onMain([this, finish, granted] {
                setCameraStatus(granted ? CameraStatus::granted : CameraStatus::denied);
                finish(granted);
            });
        });
        return;
    case CameraAuthorization::authorized:
        onMain([this] { setCameraStatus(CameraStatus::granted); });
        finish(true);
        return;
    default:
        onMain([this] { setCameraStatus(CameraStatus::denied); });
        finish(false);
        return;
    }
}

// Without a usable camera protection goes off for now, and says why. The stored switch
// is left as the user set it: a camera that is missing today must not turn protection
// off for good.
void VardoService::requestCameraAndStart()
{
    cameraFlow([this](bool usable) {
        if (usable) {
            // The onboarding may have started the camera already; a second session
            // would find the device busy.
            onProcessing([this] {
                if (!captureSession_)
                    configureAndStartSession();
            });
            onMain([this] { modules_.overlays.applyCaptureExclusion(); });
        } else {
            onMain([this] {
                const char *why = cameraStatus_ == CameraStatus::noCameraFound ? "No camera found"
                    : cameraStatus_ == CameraStatus::restricted                ? "Camera access restricted"
                                                                               : "Camera access denied";
                platform_.log.write(std::string("[Vardo] ") + why
                                    + " — protection is off until a camera can be used; the setting stays on");
                publish(isEnabled_, false, &VardoService::isEnabledChanged);
            });
        }
    });
}

void VardoService::ensureCameraRunning()
{
    cameraFlow([this](bool usable) {
        if (usable)
            onProcessing([this] {
                if (!captureSession_)
                    configureAndStartSession();
            });
    });
}

// On the processing queue. A device that cannot be opened leaves the camera off and is
// reported on the main thread (and tried again later when another program holds it).
void VardoService::configureAndStartSession()
{
    auto session = platform_.camera.createSession();
    std::optional<CameraDevice> device = platform_.camera.preferredDevice();
    if (!device)
        device = platform_.camera.fallbackDevice();
    if (!device)
        return;
    if (!session->addInput(*device)) {
        onMain([this, device = *device, error = session->inputError()] { cameraInputFailed(device, error); });
        return;
    }
    session->setReceiver(this, platform_.processingQueue);
    captureSession_ = std::move(session);
    captureSessionPresent_ = true;
    captureSession_->startRunning();
    onMain([this, device = *device] {
        setIsMonitoring(true);
        setCameraStatus(CameraStatus::granted);
        cameraRetryTimer_.reset();
        cameraRetryDelay_ = 0.0;
        if (cameraProblem_ == CameraProblem::busy)
            platform_.log.write("[Vardo] Camera " + device.path + " is free again — monitoring");
        setCameraProblem(CameraProblem::none, {});
    });
}

// One log line per problem, not per attempt: a busy camera is tried again after 2, 4,
// 8 ... seconds, then every minute, until it opens or the camera is no longer wanted
// (stopMonitoring drops the timer).
void VardoService::cameraInputFailed(const CameraDevice &device, const CameraInputError &error)
{
    const std::string reason = error.reason.empty() ? "it cannot be opened" : error.reason;
    const QString detail = QString::fromStdString(device.path + ": " + reason);
    if (!error.busy) {
        platform_.log.write("[Vardo] Camera " + device.path + " cannot be used: " + reason + " — not monitoring");
        setCameraProblem(CameraProblem::unusable, detail);
        return;
    }
    if (cameraProblem_ != CameraProblem::busy)
        platform_.log.write("[Vardo] Camera " + device.path + " is in use by another application (" + reason
                            + ") — trying again until it is free");
    setCameraProblem(CameraProblem::busy, detail);
    cameraRetryDelay_ = cameraRetryDelay_ <= 0.0 ? 2.0 : std::min(cameraRetryDelay_ * 2.0, 60.0);
    cameraRetryTimer_ = platform_.timers.schedule(cameraRetryDelay_, false, [this] {
        cameraRetryTimer_.reset();
        onProcessing([this] {
            if (!captureSession_)
                configureAndStartSession();
        });
    });
}

void VardoService::setCameraProblem(CameraProblem problem, const QString &detail)
{
    if (cameraProblem_ == problem && cameraProblemDetail_ == detail)
        return;
    cameraProblem_ = problem;
    cameraProblemDetail_ = detail;
    emit cameraProblemChanged();
}

void VardoService::releaseCamera()
{
    if (isEnabled_ || stealthModeEnabled_)
        return;
    stopMonitoring();
}

void VardoService::startMonitoring()
{
    if (!isEnabled_)
        return;
    requestCameraAndStart();
    onMain([this] { protectionStartTime_ = platform_.clock.now(); });
}

void VardoService::stopMonitoring()
{
    // At once: a retry posted after the stop would start the camera again.
    cameraRetryTimer_.reset();
    cameraRetryDelay_ = 0.0;
    onProcessing([this] {
        if (captureSession_)
            captureSession_->stopRunning();
        captureSession_.reset();
        captureSessionPresent_ = false;
        onMain([this] {
            setCameraProblem(CameraProblem::none, {});
            modules_.overlays.hideLockWindows();
            setIsMonitoring(false);
            setIsLocked(false);
            setCameraStatus(CameraStatus::unknown);
            setIsStealthActive(false);
            setIsStealthPaused(false);
            setStealthPauseRemaining(0);
            stealthPauseTimer_.reset();
            consecutiveMultiFaceCount_ = 0;
            setFaceDetected(false);
            setDetectedFaceCount(0);
            preview_.clear();
            // The countdown ends for good: left set, its start would keep every later
            // countdown from starting, and the screen would never lock again.
            cancelCountdown();
            endProtectedPeriod();
        });
    });
}

// Every camera frame arrives here, on the processing queue. Four in five are dropped
// by one integer test, before any pixel is touched; the counter is never reset. While a
// preview is on screen, a few more are decoded for it, and a frame wanted by both is
// decoded once.
void VardoService::frameArrived(CapturedFrame &frame)
{
    ++frameCounter_;
    const bool analysed = frameCounter_ % 5 == 0;
    const bool previewed = preview_.isWanted() && preview_.isDue(platform_.clock.now());
    if (!analysed && !previewed)
        return;
    cv::Mat pixels;
    if (!frame.retrieve(pixels))
        return;
    if (previewed)
        onMain([this, picture = CameraPreview::makePicture(pixels)]() mutable {
            preview_.publishPicture(std::move(picture));
        });
    if (analysed)
        processFrame(pixels);
}

void VardoService::processFrame(const cv::Mat &pixels)
{
    if (intruderPhotoEnabledForCapture_.load(std::memory_order_relaxed))
        lastCapturedFrame_.store(std::make_shared<const cv::Mat>(pixels.clone()));
    if (modules_.frameAnalysis)
        analyzeFrame(pixels);
}

void VardoService::handleCameraNotification(CameraNotification notification)
{
    onMain([this, notification] {
        if (notification == CameraNotification::interruptionEnded) {
            setCameraStatus(CameraStatus::granted);
            platform_.log.write("[Vardo] Camera resumed");
            return;
        }
        setCameraStatus(CameraStatus::noCameraFound);
        if (isEnabled_ && !isLocked_)
            lockScreen();
        platform_.log.write(notification == CameraNotification::interrupted
                                ? "[Vardo] Camera interrupted — locked for security"
                                : "[Vardo] Camera runtime error — locked for security");
    });
}

} // namespace vardo
