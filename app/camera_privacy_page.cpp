#include "app/camera_privacy_page.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace vardo {

std::function<void()> cameraPrivacyPageOpener()
{
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'));
    if (!desktops.contains(QLatin1String("GNOME")))
        return {};
    const QString settings = QStandardPaths::findExecutable(QStringLiteral("gnome-control-center"));
    if (settings.isEmpty())
        return {};
    return [settings] { QProcess::startDetached(settings, {QStringLiteral("camera")}); };
}

} // namespace vardo
