#include "app/app_qml_types.h"

#include "app/dashboard_state.h"
#include "app/desktop_settings.h"
#include "app/settings_options.h"
#include "app/symbol_image_provider.h"

#include <QJSEngine>
#include <QQmlEngine>

namespace vardo {

namespace {

template <typename T>
void registerShared(const char *name, T &object)
{
    QJSEngine::setObjectOwnership(&object, QJSEngine::CppOwnership);
    qmlRegisterSingletonType<T>("NerovaVardo", 1, 0, name, [&object](QQmlEngine *, QJSEngine *) -> QObject * {
        return &object;
    });
}

} // namespace

void prepareQmlEngine(QQmlEngine &engine)
{
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.addImageProvider(QStringLiteral("symbol"), new SymbolImageProvider);
}

void registerApplicationQmlTypes(DashboardState &dashboard, SettingsOptions &options, DesktopSettings &desktop)
{
    registerShared("Dashboard", dashboard);
    registerShared("SettingsOptions", options);
    registerShared("Desktop", desktop);
    qmlRegisterUncreatableType<SettingsPicker>("NerovaVardo", 1, 0, "SettingsPicker",
                                               QStringLiteral("use SettingsOptions"));
}

} // namespace vardo
