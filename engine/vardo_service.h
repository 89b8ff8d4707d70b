#pragma once

#include "engine/camera_preview.h"
#include "engine/engine_modules.h"
#include "engine/frame_analysis.h"
#include "engine/intruder_photo_list_model.h"
#include "engine/owner_authentication.h"
#include "engine/security_event_list_model.h"
#include "engine/settings_table.h"
#include "platform/platform_services.h"
#include "platform/camera.h"
#include "platform/timers.h"
#include "recognition/embedding.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace vardo {

class DepthModel;

enum class ServiceStart {
    full,
    // For inspecting the state: the initialiser reads everything but neither starts
    // the camera nor registers for notifications.
    inspectOnly,
};

// The engine: one object that holds every piece of state the application has, publishes
// what the interface shows as Qt properties, persists the settings, and does the
// protection work (camera, per-frame decisions, locking, shoulder guard, recognition,
// statistics). Its operations are spread over the files of engine/, one file per concern.
//
// Threads: published fields, counters and timers belong to the main thread. The capture
// session, frame intake and analysis run on the processing queue and reach the main
// thread only through posted tasks that hold the service weakly.
class VardoService final : public QObject, private FrameReceiver {
    Q_OBJECT
    // Runtime state: only the engine changes it.
    Q_PROPERTY(bool isEnabled READ isEnabled NOTIFY isEnabledChanged)
    Q_PROPERTY(bool isMonitoring READ isMonitoring NOTIFY isMonitoringChanged)
    Q_PROPERTY(bool isLocked READ isLocked NOTIFY isLockedChanged)
    Q_PROPERTY(bool faceDetected READ faceDetected NOTIFY faceDetectedChanged)
    Q_PROPERTY(qint64 secondsUntilLock READ secondsUntilLock NOTIFY secondsUntilLockChanged)
    Q_PROPERTY(qint64 detectedFaceCount READ detectedFaceCount NOTIFY detectedFaceCountChanged)
    Q_PROPERTY(bool isOwnerEnrolled READ isOwnerEnrolled NOTIFY isOwnerEnrolledChanged)
    Q_PROPERTY(bool isEnrolling READ isEnrolling NOTIFY isEnrollingChanged)
    Q_PROPERTY(double enrollmentProgress READ enrollmentProgress NOTIFY enrollmentProgressChanged)
    Q_PROPERTY(bool ownerRecognized READ ownerRecognized NOTIFY ownerRecognizedChanged)
    Q_PROPERTY(double lastMatchConfidence READ lastMatchConfidence NOTIFY lastMatchConfidenceChanged)
    Q_PROPERTY(bool showIntruderAlert READ showIntruderAlert NOTIFY showIntruderAlertChanged)
    Q_PROPERTY(CameraStatus cameraStatus READ cameraStatus NOTIFY cameraStatusChanged)
    // QML reaches enumeration values only by capitalised names: the statuses and modes go
    // there by their raw names instead ("noCameraFound", "lock_mac").
    Q_PROPERTY(QString cameraStatusName READ cameraStatusText NOTIFY cameraStatusChanged)
    // Why the camera delivers nothing although it should (its source is unusable, or
    // another application holds it and it is being tried again), for the interface to
    // show; the detail names the source and the reason.
    Q_PROPERTY(CameraProblem cameraProblem READ cameraProblem NOTIFY cameraProblemChanged)
    Q_PROPERTY(QString cameraProblemName READ cameraProblemText NOTIFY cameraProblemChanged)
    Q_PROPERTY(QString cameraProblemDetail READ cameraProblemDetail NOTIFY cameraProblemChanged)
    Q_PROPERTY(bool isStealthActive READ isStealthActive NOTIFY isStealthActiveChanged)
    Q_PROPERTY(bool isStealthPaused READ isStealthPaused NOTIFY isStealthPausedChanged)
    Q_PROPERTY(qint64 stealthPauseRemaining READ stealthPauseRemaining NOTIFY stealthPauseRemainingChanged)
    Q_PROPERTY(bool isFaceLocked READ isFaceLocked NOTIFY isFaceLockedChanged)
    Q_PROPERTY(qint64 totalLocksToday READ totalLocksToday NOTIFY totalLocksTodayChanged)
    Q_PROPERTY(qint64 totalLocksAllTime READ totalLocksAllTime NOTIFY totalLocksAllTimeChanged)
    Q_PROPERTY(qint64 totalStealthToday READ totalStealthToday NOTIFY totalStealthTodayChanged)
    Q_PROPERTY(qint64 totalStealthAllTime READ totalStealthAllTime NOTIFY totalStealthAllTimeChanged)
    Q_PROPERTY(double totalTimeProtected READ totalTimeProtected NOTIFY totalTimeProtectedChanged)
    Q_PROPERTY(vardo::IntruderPhotoListModel *intruderPhotos READ intruderPhotoModel CONSTANT)
    Q_PROPERTY(vardo::IntruderPhotoListModel *intruderHistory READ intruderHistoryModel CONSTANT)
    Q_PROPERTY(vardo::SecurityEventListModel *securityEvents READ securityEventModel CONSTANT)
    Q_PROPERTY(QString securityLevelDescription READ securityLevelDescription NOTIFY securityLevelDescriptionChanged)
    Q_PROPERTY(vardo::OwnerAuthentication *authentication READ authentication CONSTANT)
    // The engine's own camera frames for a preview on screen (see CameraPreview).
    Q_PROPERTY(vardo::CameraPreview *cameraPreview READ cameraPreview CONSTANT)

    // Settings: written through by the interface, persisted by the setter at once.
    Q_PROPERTY(qint64 lockTimeout READ lockTimeout WRITE setLockTimeout NOTIFY lockTimeoutChanged)
    Q_PROPERTY(LockMode lockMode READ lockMode WRITE setLockMode NOTIFY lockModeChanged)
    Q_PROPERTY(QString lockModeName READ lockModeText WRITE setLockModeText NOTIFY lockModeChanged)
    Q_PROPERTY(bool playSoundOnLock READ playSoundOnLock WRITE setPlaySoundOnLock NOTIFY playSoundOnLockChanged)
    Q_PROPERTY(qint64 unlockDelay READ unlockDelay WRITE setUnlockDelay NOTIFY unlockDelayChanged)
    Q_PROPERTY(bool stealthModeEnabled READ stealthModeEnabled WRITE setStealthModeEnabled NOTIFY stealthModeEnabledChanged)
    Q_PROPERTY(bool hasCompletedOnboarding READ hasCompletedOnboarding WRITE setHasCompletedOnboarding NOTIFY hasCompletedOnboardingChanged)
    Q_PROPERTY(bool hasAcceptedTerms READ hasAcceptedTerms WRITE setHasAcceptedTerms NOTIFY hasAcceptedTermsChanged)
    Q_PROPERTY(qint64 stealthDelay READ stealthDelay WRITE setStealthDelay NOTIFY stealthDelayChanged)
    Q_PROPERTY(qint64 maxAllowedFaces READ maxAllowedFaces WRITE setMaxAllowedFaces NOTIFY maxAllowedFacesChanged)
    Q_PROPERTY(bool intruderPhotoEnabled READ intruderPhotoEnabled WRITE setIntruderPhotoEnabled NOTIFY intruderPhotoEnabledChanged)
    Q_PROPERTY(qint64 intruderPhotoThreshold READ intruderPhotoThreshold WRITE setIntruderPhotoThreshold NOTIFY intruderPhotoThresholdChanged)
    Q_PROPERTY(qint64 selectedWallpaper READ selectedWallpaper WRITE setSelectedWallpaper NOTIFY selectedWallpaperChanged)
    Q_PROPERTY(qint64 securityLevel READ securityLevel WRITE setSecurityLevel NOTIFY securityLevelChanged)

public:
    enum class LockMode { appOnly, lockMac };
    Q_ENUM(LockMode)
    enum class CameraStatus { unknown, granted, denied, restricted, noCameraFound };
    Q_ENUM(CameraStatus)
    enum class CameraProblem { none, unusable, busy };
    Q_ENUM(CameraProblem)

    VardoService(PlatformServices platform, EngineModules modules, ServiceStart start = ServiceStart::full);
    ~VardoService() override;

    // The application's instance; created by the application entry with the Linux
    // services before anything else touches it.
    static VardoService &shared();
    static void setShared(VardoService *service);

    // Constants, fixed at construction.
    static constexpr qint64 framesNeededToDeactivateStealth = 6;
    static constexpr qint64 framesNeededToUnlock = 3;
    static constexpr qint64 framesNeededToLock = 30;
    static constexpr double depthValidityWindow = 20.0;
    static constexpr qint64 textureFramesNeeded = 3;
    static constexpr qint64 maxFailedAttempts = 5;
    static constexpr double lockoutDuration = 300.0;
    static constexpr qint64 maxAdaptiveUpdates = 10;
    static constexpr qint64 maxTotalEmbeddings = 50;
    static constexpr qint64 enrollmentSamplesNeeded = 25;
    static constexpr const char *keychainService = "com.nerova.vardo.state";
    static constexpr const char *keychainKey = "com.nerova.vardo.face-embeddings-v2";
    static constexpr const char *processingQueueLabel = "com.nerova.vardo.facedetection";

    // Published fields.
    bool isEnabled() const { return isEnabled_; }
    bool isMonitoring() const { return isMonitoring_; }
    bool isLocked() const { return isLocked_; }
    bool faceDetected() const { return faceDetected_; }
    qint64 secondsUntilLock() const { return secondsUntilLock_; }
    qint64 detectedFaceCount() const { return detectedFaceCount_; }
    qint64 lockTimeout() const { return lockTimeout_; }
    LockMode lockMode() const { return lockMode_; }
    bool playSoundOnLock() const { return playSoundOnLock_; }
    qint64 unlockDelay() const { return unlockDelay_; }
    bool stealthModeEnabled() const { return stealthModeEnabled_; }
    bool hasCompletedOnboarding() const { return hasCompletedOnboarding_; }
    bool hasAcceptedTerms() const { return hasAcceptedTerms_; }
    bool isOwnerEnrolled() const { return isOwnerEnrolled_; }
    bool isEnrolling() const { return isEnrolling_; }
    double enrollmentProgress() const { return enrollmentProgress_; }
    bool ownerRecognized() const { return ownerRecognized_; }
    double lastMatchConfidence() const { return lastMatchConfidence_; }
    qint64 stealthDelay() const { return stealthDelay_; }
    qint64 maxAllowedFaces() const { return maxAllowedFaces_; }
    bool intruderPhotoEnabled() const { return intruderPhotoEnabled_; }
    qint64 intruderPhotoThreshold() const { return intruderPhotoThreshold_; }
    bool showIntruderAlert() const { return showIntruderAlert_; }
    qint64 selectedWallpaper() const { return selectedWallpaper_; }
    CameraStatus cameraStatus() const { return cameraStatus_; }
    CameraProblem cameraProblem() const { return cameraProblem_; }
    QString cameraProblemDetail() const { return cameraProblemDetail_; }
    bool isStealthActive() const { return isStealthActive_; }
    bool isStealthPaused() const { return isStealthPaused_; }
    qint64 stealthPauseRemaining() const { return stealthPauseRemaining_; }
    bool isFaceLocked() const { return isFaceLocked_; }
    qint64 securityLevel() const { return securityLevel_; }
    qint64 totalLocksToday() const { return totalLocksToday_; }
    qint64 totalLocksAllTime() const { return totalLocksAllTime_; }
    qint64 totalStealthToday() const { return totalStealthToday_; }
    qint64 totalStealthAllTime() const { return totalStealthAllTime_; }
    double totalTimeProtected() const { return totalTimeProtected_; }
    const std::vector<IntruderPhoto> &intruderPhotos() const { return intruderPhotos_.items(); }
    const std::vector<IntruderPhoto> &intruderHistory() const { return intruderHistory_.items(); }
    const std::vector<SecurityEvent> &securityEvents() const { return securityEvents_.items(); }
    IntruderPhotoListModel *intruderPhotoModel() { return &intruderPhotos_; }
    IntruderPhotoListModel *intruderHistoryModel() { return &intruderHistory_; }
    SecurityEventListModel *securityEventModel() { return &securityEvents_; }
    QString securityLevelDescription() const;
    QString cameraStatusText() const;
    QString cameraProblemText() const;
    QString lockModeText() const;
    OwnerAuthentication *authentication() { return &authentication_; }
    CameraPreview *cameraPreview() { return &preview_; }

    // Setters of the settings: each writes its key on every assignment; a value outside
    // the setting's range is refused with a log line and the old value stays.
    void setLockTimeout(qint64 value);
    void setLockMode(LockMode value);
    void setLockModeText(const QString &rawValue); // refuses anything but the two raw values
    void setPlaySoundOnLock(bool value);
    void setUnlockDelay(qint64 value);
    void setStealthModeEnabled(bool value);
    void setHasCompletedOnboarding(bool value);
    void setHasAcceptedTerms(bool value);
    void setStealthDelay(qint64 value);
    void setMaxAllowedFaces(qint64 value);
    void setIntruderPhotoEnabled(bool value);
    void setIntruderPhotoThreshold(qint64 value);
    void setSelectedWallpaper(qint64 value);
    void setSecurityLevel(qint64 value);

    // What the interface does. Everything it may change goes through these operations.
    Q_INVOKABLE void setProtectionEnabled(bool on);
    Q_INVOKABLE void enableProtection();
    // The camera status now, published when the camera cannot be used (the dashboard's
    // main switch checks before switching on).
    Q_INVOKABLE vardo::VardoService::CameraStatus refreshCameraStatus();
    Q_INVOKABLE void ensureCameraRunning();
    // The camera that ensureCameraRunning started is stopped again when neither
    // protection nor the shoulder guard needs it (the onboarding closed without them).
    Q_INVOKABLE void releaseCamera();
    Q_INVOKABLE void startEnrollment();
    Q_INVOKABLE void cancelEnrollment();
    Q_INVOKABLE void pauseStealth(qint64 minutes);
    Q_INVOKABLE void resumeStealth();
    Q_INVOKABLE void disableStealth(); // the guard screen's button
    Q_INVOKABLE void dismissIntruderAlert();
    Q_INVOKABLE void clearIntruderHistory();
    // The lock screen's password field: the lockout clearing, then manualUnlock(), once
    // the system accepts.
    Q_INVOKABLE void unlockWithPassword(const QString &password);
    // The confirmed face reset: protection off, then resetFaceEnrollment(), once the
    // system accepts.
    Q_INVOKABLE void resetFaceWithPassword(const QString &password);
    // Seconds protected in all, the running period included.
    Q_INVOKABLE double protectedSecondsNow() const;

    // Camera (capture and frame intake).
    CameraStatus currentCameraStatus();
    void requestCameraAndStart();
    void startMonitoring();
    void stopMonitoring();

    // Frame decision loop; both run on the main thread, reached from the processing queue.
    void applyFrameResults(const FrameResults &results);
    void applyFaceCountUpdate(qint64 faceCount);

    // Away lock and the protection switch.
    void startCountdown();
    void cancelCountdown();
    void lockScreen();
    void lockSession();
    void confirmSessionLock(const std::string &tool);
    void registerObservers();

    // What the desktop tells the service.
    void screensDidSleep(); // nothing to do
    void screensDidWake();  // the capture exclusion again
    void windowDidBecomeVisible();
    void appWillResignActive();
    void screenConfigurationChanged();
    void sessionDidBecomeActive();
    // The lock overlay cannot keep other applications from the keyboard: the session
    // is locked instead.
    void inputCaptureFailed();

    // Statistics and security events.
    void addSecurityEvent(SecurityEvent::Type type, qint64 faceCount);
    void saveStats();
    void loadSecurityEvents();
    void checkDailyReset();
    void updateProtectedTime();

    // Unlocking the lock overlay.
    void manualUnlock();
    void unlockForOwner();

    // Shoulder guard.
    void activateStealth(qint64 faceCount);

    // Recognition: matching, enrolment, adaptive learning and the stored set.
    bool matchesOwner(const Embedding &embedding);
    void addEnrollmentSample(const Embedding &embedding);
    void adaptiveUpdate(const Embedding &embedding);
    void resetFaceEnrollment();
    void saveEmbeddings();
    void loadEmbeddings();
    void seedEnrolledSet(std::vector<Embedding> embeddings); // diagnostics and the replay

    // Failed-match lockout and its small state store.
    void recordFailedMatch();
    void storeFailedMatchAttempts();
    void restoreLockoutState();
    void clearFaceLockout();
    void saveStateValue(const std::string &value, const std::string &account);
    std::optional<std::string> loadStateValue(const std::string &account);
    void deleteStateValue(const std::string &account);

    // Liveness checks at a locked screen; verdicts arrive later on the main thread.
    void loadDepthModel();
    void startDepthCheck(const cv::Mat &frame, const FaceObservation &face);
    void checkTexture(const cv::Rect2d &faceBox, const cv::Mat &frame);
    void detectScreenAroundFace(const cv::Rect2d &faceBox, const cv::Mat &frame);
    // Whether a face at the locked screen has shown itself live: the texture check has
    // passed, no screen or phone was found around it within depthValidityWindow, and,
    // with a depth model, depth was confirmed within that window.
    bool livenessShown(double now) const;

    // Intruder photos.
    void captureIntruderPhoto();
    void loadIntruderHistory();

    // Read-only views for diagnostics, the replay and tests.
    qint64 consecutiveOwnerMatch() const { return consecutiveOwnerMatch_; }
    qint64 consecutiveOwnerMiss() const { return consecutiveOwnerMiss_; }
    qint64 consecutiveMultiFaceCount() const { return consecutiveMultiFaceCount_; }
    qint64 consecutiveCleanFrames() const { return consecutiveCleanFrames_; }
    qint64 intruderFrameCount() const { return intruderFrameCount_; }
    qint64 failedMatchAttempts() const { return failedMatchAttempts_; }
    qint64 adaptiveUpdateCount() const { return adaptiveUpdateCount_; }
    std::optional<double> noFaceStartTime() const { return noFaceStartTime_; }
    const std::vector<Embedding> &ownerFaceEmbeddings() const { return ownerFaceEmbeddings_; }
    const std::vector<Embedding> &enrollmentSamples() const { return enrollmentSamples_; }
    bool hasCountdownTimer() const { return countdownTimer_ != nullptr; }
    bool hasStealthPauseTimer() const { return stealthPauseTimer_ != nullptr; }
    qint64 frameCounter() const { return frameCounter_; }
    bool hasCaptureSession() const { return captureSessionPresent_.load(); }
    std::shared_ptr<const cv::Mat> lastCapturedFrame() const { return lastCapturedFrame_.load(); }
    std::optional<double> protectionStartTime() const { return protectionStartTime_; }
    double lastEnrollmentSampleTime() const { return lastEnrollmentSampleTime_; }
    double enrollmentCompletedTime() const { return enrollmentCompletedTime_; }
    bool hasDepthModel() const { return depthModel_ != nullptr; }
    bool isCheckingDepth() const { return isCheckingDepth_; }
    bool depthLivenessConfirmed() const { return depthLivenessConfirmed_; }
    std::optional<double> depthCheckTime() const { return depthCheckTime_; }
    bool textureCheckPassed() const { return textureCheckPassed_; }
    qint64 consecutiveTexturePass() const { return consecutiveTexturePass_; }
    std::optional<double> screenFoundTime() const { return screenFoundTime_; }

signals:
    void isEnabledChanged();
    void isMonitoringChanged();
    void isLockedChanged();
    void faceDetectedChanged();
    void secondsUntilLockChanged();
    void detectedFaceCountChanged();
    void lockTimeoutChanged();
    void lockModeChanged();
    void playSoundOnLockChanged();
    void unlockDelayChanged();
    void stealthModeEnabledChanged();
    void hasCompletedOnboardingChanged();
    void hasAcceptedTermsChanged();
    void isOwnerEnrolledChanged();
    void isEnrollingChanged();
    void enrollmentProgressChanged();
    void ownerRecognizedChanged();
    void lastMatchConfidenceChanged();
    void stealthDelayChanged();
    void maxAllowedFacesChanged();
    void intruderPhotoEnabledChanged();
    void intruderPhotoThresholdChanged();
    void showIntruderAlertChanged();
    void selectedWallpaperChanged();
    void cameraStatusChanged();
    void cameraProblemChanged();
    void isStealthActiveChanged();
    void isStealthPausedChanged();
    void stealthPauseRemainingChanged();
    void isFaceLockedChanged();
    void securityLevelChanged();
    void totalLocksTodayChanged();
    void totalLocksAllTimeChanged();
    void totalStealthTodayChanged();
    void totalStealthAllTimeChanged();
    void totalTimeProtectedChanged();
    void securityLevelDescriptionChanged();

private:
    template <typename T>
    void publish(T &field, const T &value, void (VardoService::*changed)())
    {
        if (field == value)
            return;
        field = value;
        emit(this->*changed)();
    }
    // Publishes a setting and writes its key; refuses a value outside its range.
    template <typename T>
    bool assignSetting(SettingId id, T &field, const T &value, void (VardoService::*changed)());

    // Runtime state changes only here, inside the engine.
    void setIsEnabled(bool value);
    void setIsMonitoring(bool value);
    void setIsLocked(bool value);
    void setFaceDetected(bool value);
    void setSecondsUntilLock(qint64 value);
    void setDetectedFaceCount(qint64 value);
    void setIsOwnerEnrolled(bool value);
    void setIsEnrolling(bool value);
    void setEnrollmentProgress(double value);
    void setOwnerRecognized(bool value);
    void setLastMatchConfidence(double value);
    void setShowIntruderAlert(bool value);
    void setCameraStatus(CameraStatus value);
    void setIsStealthActive(bool value);
    void setIsStealthPaused(bool value);
    void setStealthPauseRemaining(qint64 value);
    void setIsFaceLocked(bool value);
    void setTotalLocksToday(qint64 value);
    void setTotalLocksAllTime(qint64 value);
    void setTotalStealthToday(qint64 value);
    void setTotalStealthAllTime(qint64 value);
    void setTotalTimeProtected(double value);

    // Posts to the main or processing queue; the task does nothing if the service is
    // gone by the time it runs.
    void onMain(std::function<void()> task);
    void onMainAfter(double seconds, std::function<void()> task);
    void onProcessing(std::function<void()> task);

    void readSettings();
    void cameraFlow(std::function<void(bool usable)> finish);
    void configureAndStartSession();
    void cameraInputFailed(const CameraDevice &device, const CameraInputError &error);
    void setCameraProblem(CameraProblem problem, const QString &detail);
    void frameArrived(CapturedFrame &frame) override;
    void processFrame(const cv::Mat &pixels);
    void analyzeFrame(const cv::Mat &pixels);
    void updateEmbeddingsWanted();
    void handleCameraNotification(CameraNotification notification);
    void endProtectedPeriod();
    void countdownTick();
    void finishOwnerUnlock();
    void stealthPauseTick();
    void resetLivenessState();
    void startLivenessCheckForEnrollment(const FrameResults &frame);
    void runLivenessChecks(const FrameResults &frame);
    void loadEmbeddingModel();
    void markIntruderPhotoSaved(const QUuid &id);

    PlatformServices platform_;
    EngineModules modules_;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
    // Read by the processing queue's thread while the destructor resets lifetime_: a
    // copy that never changes, so only the shared count is touched from both threads.
    const std::weak_ptr<int> alive_ = lifetime_;

    // Published state.
    bool isEnabled_{};
    bool isMonitoring_{false};
    bool isLocked_{false};
    bool faceDetected_{false};
    qint64 secondsUntilLock_{0};
    qint64 detectedFaceCount_{0};
    qint64 lockTimeout_{};
    LockMode lockMode_{};
    bool playSoundOnLock_{};
    qint64 unlockDelay_{};
    bool stealthModeEnabled_{};
    bool hasCompletedOnboarding_{};
    bool hasAcceptedTerms_{};
    bool isOwnerEnrolled_{false};
    bool isEnrolling_{false};
    double enrollmentProgress_{0.0};
    bool ownerRecognized_{false};
    double lastMatchConfidence_{0.0};
    qint64 stealthDelay_{};
    qint64 maxAllowedFaces_{};
    bool intruderPhotoEnabled_{};
    qint64 intruderPhotoThreshold_{};
    bool showIntruderAlert_{false};
    qint64 selectedWallpaper_{};
    CameraStatus cameraStatus_{CameraStatus::unknown};
    CameraProblem cameraProblem_{CameraProblem::none};
    QString cameraProblemDetail_;
    bool isStealthActive_{false};
    bool isStealthPaused_{false};
    qint64 stealthPauseRemaining_{0};
    bool isFaceLocked_{false};
    qint64 securityLevel_{};
    qint64 totalLocksToday_{0};
    qint64 totalLocksAllTime_{};
    qint64 totalStealthToday_{0};
    qint64 totalStealthAllTime_{};
    double totalTimeProtected_{};
    IntruderPhotoListModel intruderPhotos_;
    IntruderPhotoListModel intruderHistory_;
    SecurityEventListModel securityEvents_;
    OwnerAuthentication authentication_;
    CameraPreview preview_;

    // Camera; captureSession_ and frameCounter_ belong to the processing queue.
    std::atomic<std::shared_ptr<const cv::Mat>> lastCapturedFrame_;
    std::unique_ptr<CaptureSession> captureSession_;
    std::atomic<bool> captureSessionPresent_{false};
    qint64 frameCounter_ = 0;
    std::atomic<bool> intruderPhotoEnabledForCapture_{false};
    // A busy camera is tried again after this many seconds, doubling up to a minute.
    double cameraRetryDelay_ = 0.0;
    std::unique_ptr<Timer> cameraRetryTimer_;

    // Decision loop, away lock and shoulder guard.
    std::optional<double> noFaceStartTime_;
    std::unique_ptr<Timer> countdownTimer_;
    qint64 consecutiveMultiFaceCount_ = 0;
    qint64 consecutiveCleanFrames_ = 0;
    qint64 consecutiveOwnerMatch_ = 0;
    qint64 consecutiveOwnerMiss_ = 0;
    std::optional<double> lastOwnerSeenTime_;
    qint64 intruderFrameCount_ = 0;
    std::unique_ptr<Timer> stealthPauseTimer_;
    static constexpr double sessionLockConfirmSeconds = 5.0;
    std::unique_ptr<Timer> sessionLockCheckTimer_;

    // Liveness. The model is shared with the check running on the background queue.
    std::shared_ptr<DepthModel> depthModel_;
    bool depthLivenessConfirmed_ = false;
    std::optional<double> depthCheckTime_;
    bool isCheckingDepth_ = false;
    bool textureCheckPassed_ = false;
    qint64 consecutiveTexturePass_ = 0;
    std::optional<double> screenFoundTime_; // the last screen or phone found around the face

    // Recognition, enrolment and lockout.
    qint64 failedMatchAttempts_ = 0;
    // The count the secret store holds, as far as this process knows.
    qint64 storedFailedMatchAttempts_ = 0;
    qint64 adaptiveUpdateCount_ = 0;
    std::vector<Embedding> ownerFaceEmbeddings_;
    std::vector<Embedding> enrollmentSamples_;
    static constexpr double distantPast = -6.3e10; // about year 0
    double lastEnrollmentSampleTime_ = distantPast;
    double enrollmentCompletedTime_ = distantPast;
    double manualUnlockTime_ = distantPast;

    // Away lock: counts the locks of this run, so that an answer meant for one lock
    // never opens the next; and whether the session lock stands in for an overlay that
    // could not capture the keyboard.
    quint64 lockEpisode_ = 0;
    bool sessionLockStandsIn_ = false;

    // Statistics.
    std::optional<double> protectionStartTime_;
    std::unique_ptr<Timer> protectedTimeTimer_;
    std::string lastStatsDate_;
};

using LockMode = VardoService::LockMode;
using CameraStatus = VardoService::CameraStatus;

const char *lockModeRawValue(LockMode mode);
const char *cameraStatusName(CameraStatus status);
const char *cameraProblemName(VardoService::CameraProblem problem);

} // namespace vardo
