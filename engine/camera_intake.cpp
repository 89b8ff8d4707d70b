// Camera capture and frame intake: whether a camera may be used, the capture session on
// the processing queue, one analysed frame in five, and the camera's notifications.

#include "engine/vardo_service.h"

#include "engine/frame_analysis.h"
#include "platform/clock.h"
#include "platform/log_sink.h"
#include "engine/overlay_windows.h"
#include "platform/task_queue.h"

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
            onMain([this] { setIsEnabled(false); });
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

// On the processing queue. Stopping early leaves everything as it was; a camera that is
// there but cannot be opened (on Linux most often because another application streams
// from it) is published, so that the interface can say why nothing happens.
void VardoService::configureAndStartSession()
{
    auto session = platform_.camera.createSession();
    std::optional<CameraDevice> device = platform_.camera.preferredDevice();
    if (!device)
        device = platform_.camera.fallbackDevice();
    if (!device)
        return;
    if (!session->addInput(*device)) {
        platform_.log.write("[Vardo] Camera " + device->path + " could not be opened — another application may be using it");
        onMain([this] { setCameraUnavailable(true); });
        return;
    }
    session->setReceiver(this, platform_.processingQueue);
    captureSession_ = std::move(session);
    captureSessionPresent_ = true;
    captureSession_->startRunning();
    onMain([this] {
        setIsMonitoring(true);
        setCameraUnavailable(false);
        setCameraStatus(CameraStatus::granted);
    });
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
    onProcessing([this] {
        if (captureSession_)
            captureSession_->stopRunning();
        captureSession_.reset();
        captureSessionPresent_ = false;
        onMain([this] {
            modules_.overlays.hideLockWindows();
            setIsMonitoring(false);
            setIsLocked(false);
            setCameraStatus(CameraStatus::unknown);
            setCameraUnavailable(false);
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
