#include "app/desktop_settings.h"

namespace vardo {

DesktopSettings::DesktopSettings(AutostartEntry &autostart, QObject *parent)
    : QObject(parent), autostart_(autostart)
{
}

void DesktopSettings::setStartAtLogin(bool value)
{
    autostart_.setEnabled(value);
    emit startAtLoginChanged();
}

} // namespace vardo
