#include "app/app_qml_types.h"

#include "app/dashboard_state.h"
#include "app/desktop_settings.h"
#include "app/settings_options.h"
#include "app/symbol_image_provider.h"
#include "screens/qml_types.h"

#include <QQmlEngine>

namespace vardo {

void prepareQmlEngine(QQmlEngine &engine)
{
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.addImageProvider(QStringLiteral("symbol"), new SymbolImageProvider);
}

void registerApplicationQmlTypes(DashboardState &dashboard, SettingsOptions &options, DesktopSettings &desktop)
{
    registerSharedQmlObject("NerovaVardo", "Dashboard", dashboard);
    registerSharedQmlObject("NerovaVardo", "SettingsOptions", options);
    registerSharedQmlObject("NerovaVardo", "Desktop", desktop);
    qmlRegisterUncreatableType<SettingsPicker>("NerovaVardo", 1, 0, "SettingsPicker",
                                               QStringLiteral("use SettingsOptions"));
}

} // namespace vardo
