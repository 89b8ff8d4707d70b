#include "app/application_bus.h"

#include "app/view_rules.h"
#include "engine/vardo_service.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QTimer>

namespace vardo {

ApplicationBusObject::ApplicationBusObject(VardoService &service, std::function<bool()> showWindow,
                                           QDBusConnection bus, QObject *parent)
    : QObject(parent), service_(service), showWindow_(std::move(showWindow)), bus_(std::move(bus))
{
}

bool ApplicationBusObject::showWindow()
{
    return showWindow_ && showWindow_();
}

ApplicationBusObject::Outcome ApplicationBusObject::setProtectionEnabled(bool on)
{
    const ProtectionState state = protectionState(service_);
    if (on == state.isEnabled)
        return Outcome::done;
    switch (menuSwitchAction(state)) {
    case MenuSwitchAction::openMainWindow:
        showWindow();
        return Outcome::notSetUp;
    case MenuSwitchAction::refused:
        return Outcome::screenCovered;
    case MenuSwitchAction::toggle:
        service_.setProtectionEnabled(on);
        return Outcome::done;
    }
    return Outcome::done;
}

void ApplicationBusObject::lockNow()
{
    service_.lockScreen();
}

ApplicationBusAdaptor::ApplicationBusAdaptor(ApplicationBusObject *object)
    : QDBusAbstractAdaptor(object), object_(object)
{
    // Any published change of the engine may change a property here; the differences
    // go out together once the change is complete.
    const QMetaMethod changed = metaObject()->method(metaObject()->indexOfSlot("stateChanged()"));
    const QMetaObject &meta = VardoService::staticMetaObject;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i)
        if (const QMetaProperty property = meta.property(i); property.hasNotifySignal())
            connect(&object_->service(), property.notifySignal(), this, changed);
    sent_ = snapshot();
}

const VardoService &ApplicationBusAdaptor::service() const
{
    return object_->service();
}

QVariantMap ApplicationBusAdaptor::snapshot() const
{
    QVariantMap values;
    const QMetaObject *meta = metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        values.insert(QString::fromLatin1(meta->property(i).name()), meta->property(i).read(this));
    return values;
}

void ApplicationBusAdaptor::stateChanged()
{
    if (changePending_)
        return;
    changePending_ = true;
    QTimer::singleShot(0, this, &ApplicationBusAdaptor::sendChanges);
}

void ApplicationBusAdaptor::sendChanges()
{
    changePending_ = false;
    const QVariantMap now = snapshot();
    QVariantMap changed;
    for (auto it = now.begin(); it != now.end(); ++it)
        if (sent_.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    sent_ = now;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(applicationObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QLatin1String(applicationInterfaceName) << changed << QStringList();
    object_->bus().send(signal);
}

void ApplicationBusAdaptor::ShowWindow()
{
    if (!object_->showWindow() && screenIsCovered(protectionState(service())))
        object_->sendErrorReply(QStringLiteral("com.nerova.vardo.Error.ScreenCovered"),
                                QStringLiteral("The lock or guard screen is up; the window stays behind it"));
}

void ApplicationBusAdaptor::SetProtectionEnabled(bool on)
{
    switch (object_->setProtectionEnabled(on)) {
    case ApplicationBusObject::Outcome::done:
        return;
    case ApplicationBusObject::Outcome::notSetUp:
        object_->sendErrorReply(QStringLiteral("com.nerova.vardo.Error.NotSetUp"),
                       QStringLiteral("Set up your face in the Nerova Vardo window first"));
        return;
    case ApplicationBusObject::Outcome::screenCovered:
        object_->sendErrorReply(QStringLiteral("com.nerova.vardo.Error.ScreenCovered"),
                       QStringLiteral("The lock or guard screen is up; only it can end itself"));
        return;
    }
}

void ApplicationBusAdaptor::LockNow()
{
    object_->lockNow();
}

bool ApplicationBusAdaptor::isEnabled() const { return service().isEnabled(); }
bool ApplicationBusAdaptor::isMonitoring() const { return service().isMonitoring(); }
bool ApplicationBusAdaptor::isLocked() const { return service().isLocked(); }
bool ApplicationBusAdaptor::faceDetected() const { return service().faceDetected(); }
qlonglong ApplicationBusAdaptor::secondsUntilLock() const { return service().secondsUntilLock(); }
qlonglong ApplicationBusAdaptor::detectedFaceCount() const { return service().detectedFaceCount(); }
bool ApplicationBusAdaptor::isOwnerEnrolled() const { return service().isOwnerEnrolled(); }
bool ApplicationBusAdaptor::isEnrolling() const { return service().isEnrolling(); }
bool ApplicationBusAdaptor::ownerRecognized() const { return service().ownerRecognized(); }
bool ApplicationBusAdaptor::showIntruderAlert() const { return service().showIntruderAlert(); }
QString ApplicationBusAdaptor::cameraStatus() const { return QLatin1String(cameraStatusName(service().cameraStatus())); }
bool ApplicationBusAdaptor::cameraUnavailable() const { return service().cameraProblem() != VardoService::CameraProblem::none; }
bool ApplicationBusAdaptor::isStealthActive() const { return service().isStealthActive(); }
bool ApplicationBusAdaptor::isStealthPaused() const { return service().isStealthPaused(); }
qlonglong ApplicationBusAdaptor::stealthPauseRemaining() const { return service().stealthPauseRemaining(); }
bool ApplicationBusAdaptor::isFaceLocked() const { return service().isFaceLocked(); }
qlonglong ApplicationBusAdaptor::totalLocksToday() const { return service().totalLocksToday(); }
qlonglong ApplicationBusAdaptor::totalLocksAllTime() const { return service().totalLocksAllTime(); }
qlonglong ApplicationBusAdaptor::totalStealthToday() const { return service().totalStealthToday(); }
qlonglong ApplicationBusAdaptor::totalStealthAllTime() const { return service().totalStealthAllTime(); }
double ApplicationBusAdaptor::totalTimeProtected() const { return service().totalTimeProtected(); }
qlonglong ApplicationBusAdaptor::lockTimeout() const { return service().lockTimeout(); }
QString ApplicationBusAdaptor::lockMode() const { return QLatin1String(lockModeRawValue(service().lockMode())); }
bool ApplicationBusAdaptor::playSoundOnLock() const { return service().playSoundOnLock(); }
qlonglong ApplicationBusAdaptor::unlockDelay() const { return service().unlockDelay(); }
bool ApplicationBusAdaptor::stealthModeEnabled() const { return service().stealthModeEnabled(); }
bool ApplicationBusAdaptor::hasCompletedOnboarding() const { return service().hasCompletedOnboarding(); }
bool ApplicationBusAdaptor::hasAcceptedTerms() const { return service().hasAcceptedTerms(); }
qlonglong ApplicationBusAdaptor::stealthDelay() const { return service().stealthDelay(); }
qlonglong ApplicationBusAdaptor::maxAllowedFaces() const { return service().maxAllowedFaces(); }
bool ApplicationBusAdaptor::intruderPhotoEnabled() const { return service().intruderPhotoEnabled(); }
qlonglong ApplicationBusAdaptor::intruderPhotoThreshold() const { return service().intruderPhotoThreshold(); }
qlonglong ApplicationBusAdaptor::selectedWallpaper() const { return service().selectedWallpaper(); }
qlonglong ApplicationBusAdaptor::securityLevel() const { return service().securityLevel(); }

} // namespace vardo
