#pragma once

#include "app/autostart_entry.h"

#include <QObject>

namespace vardo {

// What the settings section changes on the desktop rather than in the engine: whether
// Nerova Vardo starts at login. QML finds it as the singleton `Desktop`.
class DesktopSettings final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool startAtLogin READ startAtLogin WRITE setStartAtLogin NOTIFY startAtLoginChanged)

public:
    explicit DesktopSettings(AutostartEntry &autostart, QObject *parent = nullptr);

    // Read from the file each time: the desktop's own settings may change it too.
    bool startAtLogin() const { return autostart_.isEnabled(); }
    // When the file cannot be written or removed the value stays as it was; the
    // change signal then tells the switch to show it again.
    void setStartAtLogin(bool value);

signals:
    void startAtLoginChanged();

private:
    AutostartEntry &autostart_;
};

} // namespace vardo
