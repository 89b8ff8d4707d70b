#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusContext>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace vardo {

class VardoService;

// The running application on the session bus: the well-known name "com.nerova.vardo",
// the object "/com/nerova/vardo" and its interface "com.nerova.vardo.Application".
inline constexpr const char *applicationBusName = "com.nerova.vardo";
inline constexpr const char *applicationObjectPath = "/com/nerova/vardo";
inline constexpr const char *applicationInterfaceName = "com.nerova.vardo.Application";

// The object behind the interface; the adaptor below is its face. Qt hands the context
// of a call (for error replies) to this object, not to the adaptor.
class ApplicationBusObject final : public QObject, public QDBusContext {
    Q_OBJECT
public:
    // `showWindow` brings the main window forward, false when it may not (running
    // headless, or under a lock or guard screen); `bus` is where the object is published
    // and its changes are signalled.
    ApplicationBusObject(VardoService &service, std::function<bool()> showWindow, QDBusConnection bus,
                         QObject *parent = nullptr);

    VardoService &service() { return service_; }
    QDBusConnection &bus() { return bus_; }

    bool showWindow();
    enum class Outcome { done, notSetUp, screenCovered };
    // The tray menu's rules: before the face is set up the main window opens instead,
    // and nothing switches protection off under a lock or guard screen.
    Outcome setProtectionEnabled(bool on);
    void lockNow();

private:
    VardoService &service_;
    std::function<bool()> showWindow_;
    QDBusConnection bus_;
};

// What other programs of the session may see and do: the published state as read-only
// properties (PropertiesChanged follows every change), and three safe operations. There
// is deliberately nothing that unlocks, that reads or changes the enrolled face, or
// that takes a lock or guard screen away.
class ApplicationBusAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.nerova.vardo.Application")
    Q_PROPERTY(bool isEnabled READ isEnabled)
    Q_PROPERTY(bool isMonitoring READ isMonitoring)
    Q_PROPERTY(bool isLocked READ isLocked)
    Q_PROPERTY(bool faceDetected READ faceDetected)
    Q_PROPERTY(qlonglong secondsUntilLock READ secondsUntilLock)
    Q_PROPERTY(qlonglong detectedFaceCount READ detectedFaceCount)
    Q_PROPERTY(bool isOwnerEnrolled READ isOwnerEnrolled)
    Q_PROPERTY(bool isEnrolling READ isEnrolling)
    Q_PROPERTY(bool ownerRecognized READ ownerRecognized)
    Q_PROPERTY(bool showIntruderAlert READ showIntruderAlert)
    Q_PROPERTY(QString cameraStatus READ cameraStatus)
    Q_PROPERTY(bool cameraUnavailable READ cameraUnavailable)
    Q_PROPERTY(bool isStealthActive READ isStealthActive)
    Q_PROPERTY(bool isStealthPaused READ isStealthPaused)
    Q_PROPERTY(qlonglong stealthPauseRemaining READ stealthPauseRemaining)
    Q_PROPERTY(bool isFaceLocked READ isFaceLocked)
    Q_PROPERTY(qlonglong totalLocksToday READ totalLocksToday)
    Q_PROPERTY(qlonglong totalLocksAllTime READ totalLocksAllTime)
    Q_PROPERTY(qlonglong totalStealthToday READ totalStealthToday)
    Q_PROPERTY(qlonglong totalStealthAllTime READ totalStealthAllTime)
    Q_PROPERTY(double totalTimeProtected READ totalTimeProtected)
    Q_PROPERTY(qlonglong lockTimeout READ lockTimeout)
    Q_PROPERTY(QString lockMode READ lockMode)
    Q_PROPERTY(bool playSoundOnLock READ playSoundOnLock)
    Q_PROPERTY(qlonglong unlockDelay READ unlockDelay)
    Q_PROPERTY(bool stealthModeEnabled READ stealthModeEnabled)
    Q_PROPERTY(bool hasCompletedOnboarding READ hasCompletedOnboarding)
    Q_PROPERTY(bool hasAcceptedTerms READ hasAcceptedTerms)
    Q_PROPERTY(qlonglong stealthDelay READ stealthDelay)
    Q_PROPERTY(qlonglong maxAllowedFaces READ maxAllowedFaces)
    Q_PROPERTY(bool intruderPhotoEnabled READ intruderPhotoEnabled)
    Q_PROPERTY(qlonglong intruderPhotoThreshold READ intruderPhotoThreshold)
    Q_PROPERTY(qlonglong selectedWallpaper READ selectedWallpaper)
    Q_PROPERTY(qlonglong securityLevel READ securityLevel)

public:
    explicit ApplicationBusAdaptor(ApplicationBusObject *object);

    bool isEnabled() const;
    bool isMonitoring() const;
    bool isLocked() const;
    bool faceDetected() const;
    qlonglong secondsUntilLock() const;
    qlonglong detectedFaceCount() const;
    bool isOwnerEnrolled() const;
    bool isEnrolling() const;
    bool ownerRecognized() const;
    bool showIntruderAlert() const;
    QString cameraStatus() const;
    bool cameraUnavailable() const;
    bool isStealthActive() const;
    bool isStealthPaused() const;
    qlonglong stealthPauseRemaining() const;
    bool isFaceLocked() const;
    qlonglong totalLocksToday() const;
    qlonglong totalLocksAllTime() const;
    qlonglong totalStealthToday() const;
    qlonglong totalStealthAllTime() const;
    double totalTimeProtected() const;
    qlonglong lockTimeout() const;
    QString lockMode() const;
    bool playSoundOnLock() const;
    qlonglong unlockDelay() const;
    bool stealthModeEnabled() const;
    bool hasCompletedOnboarding() const;
    bool hasAcceptedTerms() const;
    qlonglong stealthDelay() const;
    qlonglong maxAllowedFaces() const;
    bool intruderPhotoEnabled() const;
    qlonglong intruderPhotoThreshold() const;
    qlonglong selectedWallpaper() const;
    qlonglong securityLevel() const;

    // Every property by name, in declaration order.
    QVariantMap snapshot() const;

public slots:
    // Brings the main window forward (a second start calls this). Refused (D-Bus error)
    // while a lock or guard screen is up.
    void ShowWindow();
    // Switches protection on or off. Refused (D-Bus error) before the face is set up,
    // which opens the main window instead, and while a lock or guard screen is up.
    void SetProtectionEnabled(bool on);
    // Locks the screen now, as the away lock does.
    void LockNow();

private slots:
    void stateChanged();
    void sendChanges();

private:
    const VardoService &service() const;

    ApplicationBusObject *object_;
    QVariantMap sent_;
    bool changePending_ = false;
};

} // namespace vardo
