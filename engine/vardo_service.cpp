#include "engine/vardo_service.h"

#include "localization/localization_manager.h"
#include "platform/clock.h"
#include "platform/defaults_store.h"
#include "platform/log_sink.h"
#include "engine/overlay_windows.h"
#include "platform/authenticator.h"
#include "platform/task_queue.h"


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

VardoService::VardoService(PlatformServices platform, EngineModules modules, ServiceStart start)
    : platform_(platform)
    , modules_(modules)
    , authentication_(modules.authenticator)
{
    readSettings();
    // The engine's own texts (event titles, the level description) follow the language.
    connect(&LocalizationManager::shared(), &LocalizationManager::currentLanguageChanged, this, [this] {
        securityEvents_.refreshAll();
        emit securityLevelDescriptionChanged();
    });

    loadSecurityEvents();
    loadEmbeddings();
    loadEmbeddingModel();
    loadDepthModel();
    restoreLockoutState();
    checkDailyReset();
    loadIntruderHistory();
    if (start == ServiceStart::inspectOnly)
        return;
    registerObservers();
    // The running protected time reaches the store at least once a minute: a crash or a
    // lost display would otherwise lose all of it since protection started.
    protectedTimeTimer_ = platform_.timers.schedule(60.0, true, [this] { updateProtectedTime(); });

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
    const SettingsReader settings(platform_.defaults, platform_.log);
    using enum SettingId;
    isEnabled_ = settings.boolean(isEnabled);
    lockTimeout_ = settings.integer(lockTimeout);
    playSoundOnLock_ = settings.boolean(playSoundOnLock);
    unlockDelay_ = settings.integer(unlockDelay);
    stealthModeEnabled_ = settings.boolean(stealthModeEnabled);
    hasCompletedOnboarding_ = settings.boolean(hasCompletedOnboarding);
    hasAcceptedTerms_ = settings.boolean(hasAcceptedTerms);
    stealthDelay_ = settings.integer(stealthDelay);
    maxAllowedFaces_ = settings.integer(maxAllowedFaces);
    securityLevel_ = settings.integer(securityLevel);
    adaptiveUpdateCount_ = settings.integer(adaptiveUpdateCount);
    totalLocksAllTime_ = settings.integer(totalLocksAllTime);
    totalStealthAllTime_ = settings.integer(totalStealthAllTime);
    totalTimeProtected_ = settings.floating(totalTimeProtected);
    lockMode_ = settings.string(lockMode) == lockModeRawValue(LockMode::lockMac) ? LockMode::lockMac : LockMode::appOnly;
    selectedWallpaper_ = settings.integer(selectedWallpaper);
    intruderPhotoEnabled_ = settings.boolean(intruderPhotoEnabled);
    intruderPhotoThreshold_ = settings.integer(intruderPhotoThreshold);
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

namespace {

DefaultsValue storedForm(bool value) { return value; }
DefaultsValue storedForm(qint64 value) { return static_cast<std::int64_t>(value); }
DefaultsValue storedForm(LockMode value) { return std::string(lockModeRawValue(value)); }

} // namespace

template <typename T>
bool VardoService::assignSetting(SettingId id, T &field, const T &value, void (VardoService::*changed)())
{
    const DefaultsValue stored = storedForm(value);
    std::string why;
    if (!settingAccepts(setting(id), stored, &why)) {
        platform_.log.write("[Vardo] Refused " + std::string(setting(id).key) + " = " + std::to_string(static_cast<qint64>(value))
                            + ": " + why);
        emit(this->*changed)(); // a control that showed the refused value reads the kept one again
        return false;
    }
    publish(field, value, changed);
    writeSetting(platform_.defaults, id, storedForm(field));
    return true;
}

// Setters of the published fields.

void VardoService::setIsEnabled(bool value)
{
    publish(isEnabled_, value, &VardoService::isEnabledChanged);
    writeSetting(platform_.defaults, SettingId::isEnabled, isEnabled_);
}

void VardoService::setIsMonitoring(bool value)
{
    publish(isMonitoring_, value, &VardoService::isMonitoringChanged);
}

void VardoService::setIsLocked(bool value)
{
    if (!value)
        sessionLockStandsIn_ = false;
    publish(isLocked_, value, &VardoService::isLockedChanged);
    updateEmbeddingsWanted();
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
    assignSetting(SettingId::lockTimeout, lockTimeout_, value, &VardoService::lockTimeoutChanged);
}

void VardoService::setLockMode(LockMode value)
{
    assignSetting(SettingId::lockMode, lockMode_, value, &VardoService::lockModeChanged);
}

void VardoService::setLockModeText(const QString &rawValue)
{
    for (const LockMode mode : {LockMode::appOnly, LockMode::lockMac}) {
        if (rawValue == QLatin1String(lockModeRawValue(mode))) {
            setLockMode(mode);
            return;
        }
    }
    platform_.log.write("[Vardo] Refused vardo_lock_mode = \"" + rawValue.toStdString() + "\": "
                        + "must be one of " + settingDomainText(setting(SettingId::lockMode)));
    emit lockModeChanged();
}

QString VardoService::lockModeText() const
{
    return QString::fromLatin1(lockModeRawValue(lockMode_));
}

QString VardoService::cameraStatusText() const
{
    return QString::fromLatin1(cameraStatusName(cameraStatus_));
}

QString VardoService::cameraProblemText() const
{
    return QString::fromLatin1(cameraProblemName(cameraProblem_));
}

void VardoService::setPlaySoundOnLock(bool value)
{
    assignSetting(SettingId::playSoundOnLock, playSoundOnLock_, value, &VardoService::playSoundOnLockChanged);
}

void VardoService::setUnlockDelay(qint64 value)
{
    assignSetting(SettingId::unlockDelay, unlockDelay_, value, &VardoService::unlockDelayChanged);
}


void VardoService::setHasCompletedOnboarding(bool value)
{
    assignSetting(SettingId::hasCompletedOnboarding, hasCompletedOnboarding_, value, &VardoService::hasCompletedOnboardingChanged);
}

void VardoService::setHasAcceptedTerms(bool value)
{
    assignSetting(SettingId::hasAcceptedTerms, hasAcceptedTerms_, value, &VardoService::hasAcceptedTermsChanged);
}

void VardoService::setIsOwnerEnrolled(bool value)
{
    publish(isOwnerEnrolled_, value, &VardoService::isOwnerEnrolledChanged);
    updateEmbeddingsWanted();
}

void VardoService::setIsEnrolling(bool value)
{
    publish(isEnrolling_, value, &VardoService::isEnrollingChanged);
    updateEmbeddingsWanted();
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
    assignSetting(SettingId::stealthDelay, stealthDelay_, value, &VardoService::stealthDelayChanged);
}

void VardoService::setMaxAllowedFaces(qint64 value)
{
    assignSetting(SettingId::maxAllowedFaces, maxAllowedFaces_, value, &VardoService::maxAllowedFacesChanged);
}

void VardoService::setIntruderPhotoEnabled(bool value)
{
    if (!assignSetting(SettingId::intruderPhotoEnabled, intruderPhotoEnabled_, value, &VardoService::intruderPhotoEnabledChanged))
        return;
    intruderPhotoEnabledForCapture_ = intruderPhotoEnabled_;
}

void VardoService::setIntruderPhotoThreshold(qint64 value)
{
    assignSetting(SettingId::intruderPhotoThreshold, intruderPhotoThreshold_, value, &VardoService::intruderPhotoThresholdChanged);
}

void VardoService::setShowIntruderAlert(bool value)
{
    publish(showIntruderAlert_, value, &VardoService::showIntruderAlertChanged);
}

void VardoService::setSelectedWallpaper(qint64 value)
{
    assignSetting(SettingId::selectedWallpaper, selectedWallpaper_, value, &VardoService::selectedWallpaperChanged);
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
    if (!assignSetting(SettingId::securityLevel, securityLevel_, value, &VardoService::securityLevelChanged))
        return;
    emit securityLevelDescriptionChanged();
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
    if (!assignSetting(SettingId::stealthModeEnabled, stealthModeEnabled_, value, &VardoService::stealthModeEnabledChanged))
        return;
    if (!value && !isEnabled_)
        stopMonitoring();
    else if (value && !isMonitoring_)
        requestCameraAndStart();
}

void VardoService::setIsStealthActive(bool value)
{
    publish(isStealthActive_, value, &VardoService::isStealthActiveChanged);
    if (value)
        modules_.overlays.showStealthWindows();
    else
        modules_.overlays.hideStealthWindows();
}

} // namespace vardo
