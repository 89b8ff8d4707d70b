#include "engine/vardo_service.h"

#include "localization/localization_manager.h"
#include "platform/clock.h"
#include "platform/defaults_store.h"
#include "platform/log_sink.h"
#include "platform/overlay_windows.h"
#include "platform/task_queue.h"

#include <QVariantMap>

namespace vardo {

namespace {

VardoService *sharedService = nullptr;

} // namespace

const char *lockModeRawValue(LockMode mode)
{
    return mode == LockMode::lockMac ? "lock_mac" : "app_only";
}

const char *cameraStatusName(CameraStatus status)
{
    switch (status) {
    case CameraStatus::unknown: return "unknown";
    case CameraStatus::granted: return "granted";
    case CameraStatus::denied: return "denied";
    case CameraStatus::restricted: return "restricted";
    case CameraStatus::noCameraFound: return "noCameraFound";
    }
    return "unknown";
}

const char *cameraProblemName(VardoService::CameraProblem problem)
{
    switch (problem) {
    case VardoService::CameraProblem::none: return "none";
    case VardoService::CameraProblem::unusable: return "unusable";
    case VardoService::CameraProblem::busy: return "busy";
    }
    return "none";
}

VardoService::VardoService(PlatformServices platform, ServiceStart start)
    : platform_(platform)
{
    readSettings();

    loadSecurityEvents();
    loadEmbeddings();
    loadEmbeddingModel();
    // The depth model of the liveness checks loads here once they exist.
    restoreLockoutState();
    checkDailyReset();
    if (start == ServiceStart::inspectOnly)
        return;
    registerObservers();
    // The running protected time reaches the store at least once a minute: a crash or a
    // lost display would otherwise lose all of it since protection started.
    protectedTimeTimer_ = platform_.timers.schedule(60.0, true, [this] { updateProtectedTime(); });
    // The stored intruder photos load here once intruder photos exist.

    if (isEnabled_)
        startMonitoring();
    else if (stealthModeEnabled_)
        requestCameraAndStart(); // the shoulder guard works with the away lock off
}

// The capture session belongs to the processing queue, whose thread may be inside it
// (grabbing or decoding a frame) right now: it is stopped and dropped there, and the
// service goes only once that has happened. Tasks still queued find the service gone.
VardoService::~VardoService()
{
    platform_.camera.setNotificationHandler(nullptr);
    lifetime_.reset();
    platform_.processingQueue.runAndWait([this] {
        if (captureSession_)
            captureSession_->stopRunning();
        captureSession_.reset();
        captureSessionPresent_ = false;
    });
    if (sharedService == this)
        sharedService = nullptr;
}

VardoService &VardoService::shared()
{
    Q_ASSERT(sharedService);
    return *sharedService;
}

void VardoService::setShared(VardoService *service)
{
    sharedService = service;
}

// Settings are read straight into the fields: no setter runs and nothing is written
// back. "Object" reads fall back to the default for an absent key and for a value of
// the wrong type; "typed" reads give false / 0 for both.
void VardoService::readSettings()
{
    const DefaultsStore &d = platform_.defaults;
    isEnabled_ = d.boolean("vardo_enabled");
    lockTimeout_ = d.objectInteger("vardo_lock_timeout").value_or(10);
    playSoundOnLock_ = d.objectBool("vardo_play_sound").value_or(true);
    unlockDelay_ = d.integer("vardo_unlock_delay");
    stealthModeEnabled_ = d.boolean("vardo_stealth_mode");
    hasCompletedOnboarding_ = d.boolean("vardo_onboarding_done");
    hasAcceptedTerms_ = d.boolean("vardo_terms_accepted");
    stealthDelay_ = d.objectInteger("vardo_stealth_delay").value_or(2);
    maxAllowedFaces_ = d.objectInteger("vardo_max_faces").value_or(1);
    securityLevel_ = d.objectInteger("vardo_security_level").value_or(1);
    adaptiveUpdateCount_ = d.integer("vardo_adaptive_count");
    totalLocksAllTime_ = d.integer("vardo_total_locks");
    totalStealthAllTime_ = d.integer("vardo_total_stealth");
    totalTimeProtected_ = d.floating("vardo_total_time");
    lockMode_ = d.string("vardo_lock_mode").value_or("app_only") == "lock_mac" ? LockMode::lockMac : LockMode::appOnly;
    selectedWallpaper_ = d.objectInteger("vardo_wallpaper").value_or(2);
    intruderPhotoEnabled_ = d.objectBool("vardo_intruder_enabled").value_or(false);
    intruderPhotoThreshold_ = d.objectInteger("vardo_intruder_threshold").value_or(3);
    intruderPhotoEnabledForCapture_ = intruderPhotoEnabled_;
}

QString VardoService::securityLevelDescription() const
{
    const char *key = securityLevel_ == 0 ? "security.relaxed_desc"
        : securityLevel_ == 2             ? "security.strict_desc"
                                          : "security.balanced_desc";
    return QString::fromStdString(localized(key));
}

void VardoService::onMain(std::function<void()> task)
{
    platform_.mainQueue.post([alive = alive_, task = std::move(task)] {
        if (!alive.expired())
            task();
    });
}

void VardoService::onMainAfter(double seconds, std::function<void()> task)
{
    platform_.mainQueue.postAfter(seconds, [alive = alive_, task = std::move(task)] {
        if (!alive.expired())
            task();
    });
}

void VardoService::onProcessing(std::function<void()> task)
{
    platform_.processingQueue.post([alive = alive_, task = std::move(task)] {
        if (!alive.expired())
            task();
    });
}

// Setters of the published fields.

void VardoService::setIsEnabled(bool value)
{
    publish(isEnabled_, value, &VardoService::isEnabledChanged);
    platform_.defaults.setBool("vardo_enabled", isEnabled_);
}

void VardoService::setIsMonitoring(bool value)
{
    publish(isMonitoring_, value, &VardoService::isMonitoringChanged);
}

void VardoService::setIsLocked(bool value)
{
    publish(isLocked_, value, &VardoService::isLockedChanged);
}

void VardoService::setFaceDetected(bool value)
{
    publish(faceDetected_, value, &VardoService::faceDetectedChanged);
}

void VardoService::setSecondsUntilLock(qint64 value)
{
    publish(secondsUntilLock_, value, &VardoService::secondsUntilLockChanged);
}

void VardoService::setDetectedFaceCount(qint64 value)
{
    publish(detectedFaceCount_, value, &VardoService::detectedFaceCountChanged);
}

void VardoService::setLockTimeout(qint64 value)
{
    publish(lockTimeout_, value, &VardoService::lockTimeoutChanged);
    platform_.defaults.setInteger("vardo_lock_timeout", lockTimeout_);
}

void VardoService::setLockMode(LockMode value)
{
    publish(lockMode_, value, &VardoService::lockModeChanged);
    platform_.defaults.setString("vardo_lock_mode", lockModeRawValue(lockMode_));
}

void VardoService::setPlaySoundOnLock(bool value)
{
    publish(playSoundOnLock_, value, &VardoService::playSoundOnLockChanged);
    platform_.defaults.setBool("vardo_play_sound", playSoundOnLock_);
}

void VardoService::setUnlockDelay(qint64 value)
{
    publish(unlockDelay_, value, &VardoService::unlockDelayChanged);
    platform_.defaults.setInteger("vardo_unlock_delay", unlockDelay_);
}


void VardoService::setHasCompletedOnboarding(bool value)
{
    publish(hasCompletedOnboarding_, value, &VardoService::hasCompletedOnboardingChanged);
    platform_.defaults.setBool("vardo_onboarding_done", hasCompletedOnboarding_);
}

void VardoService::setHasAcceptedTerms(bool value)
{
    publish(hasAcceptedTerms_, value, &VardoService::hasAcceptedTermsChanged);
    platform_.defaults.setBool("vardo_terms_accepted", hasAcceptedTerms_);
}

void VardoService::setIsOwnerEnrolled(bool value)
{
    publish(isOwnerEnrolled_, value, &VardoService::isOwnerEnrolledChanged);
}

void VardoService::setIsEnrolling(bool value)
{
    publish(isEnrolling_, value, &VardoService::isEnrollingChanged);
}

void VardoService::setEnrollmentProgress(double value)
{
    publish(enrollmentProgress_, value, &VardoService::enrollmentProgressChanged);
}

void VardoService::setOwnerRecognized(bool value)
{
    publish(ownerRecognized_, value, &VardoService::ownerRecognizedChanged);
}

void VardoService::setLastMatchConfidence(double value)
{
    publish(lastMatchConfidence_, value, &VardoService::lastMatchConfidenceChanged);
}

void VardoService::setStealthDelay(qint64 value)
{
    publish(stealthDelay_, value, &VardoService::stealthDelayChanged);
    platform_.defaults.setInteger("vardo_stealth_delay", stealthDelay_);
}

void VardoService::setMaxAllowedFaces(qint64 value)
{
    publish(maxAllowedFaces_, value, &VardoService::maxAllowedFacesChanged);
    platform_.defaults.setInteger("vardo_max_faces", maxAllowedFaces_);
}

void VardoService::setIntruderPhotoEnabled(bool value)
{
    publish(intruderPhotoEnabled_, value, &VardoService::intruderPhotoEnabledChanged);
    intruderPhotoEnabledForCapture_ = intruderPhotoEnabled_;
    platform_.defaults.setBool("vardo_intruder_enabled", intruderPhotoEnabled_);
}

void VardoService::setIntruderPhotoThreshold(qint64 value)
{
    publish(intruderPhotoThreshold_, value, &VardoService::intruderPhotoThresholdChanged);
    platform_.defaults.setInteger("vardo_intruder_threshold", intruderPhotoThreshold_);
}

void VardoService::setShowIntruderAlert(bool value)
{
    publish(showIntruderAlert_, value, &VardoService::showIntruderAlertChanged);
}

void VardoService::setSelectedWallpaper(qint64 value)
{
    publish(selectedWallpaper_, value, &VardoService::selectedWallpaperChanged);
    platform_.defaults.setInteger("vardo_wallpaper", selectedWallpaper_);
}

void VardoService::setCameraStatus(CameraStatus value)
{
    publish(cameraStatus_, value, &VardoService::cameraStatusChanged);
}

void VardoService::setIsStealthPaused(bool value)
{
    publish(isStealthPaused_, value, &VardoService::isStealthPausedChanged);
}

void VardoService::setStealthPauseRemaining(qint64 value)
{
    publish(stealthPauseRemaining_, value, &VardoService::stealthPauseRemainingChanged);
}

void VardoService::setIsFaceLocked(bool value)
{
    publish(isFaceLocked_, value, &VardoService::isFaceLockedChanged);
}

void VardoService::setSecurityLevel(qint64 value)
{
    publish(securityLevel_, value, &VardoService::securityLevelChanged);
    platform_.defaults.setInteger("vardo_security_level", securityLevel_);
}

void VardoService::setTotalLocksToday(qint64 value)
{
    publish(totalLocksToday_, value, &VardoService::totalLocksTodayChanged);
}

void VardoService::setTotalLocksAllTime(qint64 value)
{
    publish(totalLocksAllTime_, value, &VardoService::totalLocksAllTimeChanged);
}

void VardoService::setTotalStealthToday(qint64 value)
{
    publish(totalStealthToday_, value, &VardoService::totalStealthTodayChanged);
}

void VardoService::setTotalStealthAllTime(qint64 value)
{
    publish(totalStealthAllTime_, value, &VardoService::totalStealthAllTimeChanged);
}

void VardoService::setTotalTimeProtected(double value)
{
    publish(totalTimeProtected_, value, &VardoService::totalTimeProtectedChanged);
}

void VardoService::setStealthModeEnabled(bool value)
{
    publish(stealthModeEnabled_, value, &VardoService::stealthModeEnabledChanged);
    platform_.defaults.setBool("vardo_stealth_mode", stealthModeEnabled_);
    if (!value && !isEnabled_)
        stopMonitoring();
    else if (value && !isMonitoring_)
        requestCameraAndStart();
}

void VardoService::setIsStealthActive(bool value)
{
    publish(isStealthActive_, value, &VardoService::isStealthActiveChanged);
    if (value)
        platform_.overlays.showStealthWindows();
    else
        platform_.overlays.hideStealthWindows();
}

QVariantList VardoService::intruderPhotoList() const
{
    QVariantList list;
    for (const auto &photo : intruderPhotos_)
        list.append(QVariantMap{{"id", photo.id.toString(QUuid::WithoutBraces)}, {"path", photo.path}, {"date", photo.date}});
    return list;
}

QVariantList VardoService::intruderHistoryList() const
{
    QVariantList list;
    for (const auto &photo : intruderHistory_)
        list.append(QVariantMap{{"id", photo.id.toString(QUuid::WithoutBraces)}, {"path", photo.path}, {"date", photo.date}});
    return list;
}

QVariantList VardoService::securityEventList() const
{
    QVariantList list;
    for (const auto &event : securityEvents_)
        list.append(QVariantMap{{"id", event.id.toString(QUuid::WithoutBraces).toUpper()},
                                {"type", QString::fromLatin1(eventTypeRawValue(event.type))},
                                {"date", event.date},
                                {"faceCount", event.faceCount},
                                {"title", event.title()},
                                {"detail", event.detail()}});
    return list;
}

} // namespace vardo
