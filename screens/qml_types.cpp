#include "screens/qml_types.h"

#include "engine/vardo_service.h"
#include "localization/localization_manager.h"
#include "screens/eye_video_player.h"
#include "screens/lock_status.h"

#include <QJSEngine>
#include <QQmlEngine>
#include <QUrl>

namespace vardo {

namespace {

// One object for every QML engine of the process; none of them may delete it.
template <typename T>
void registerShared(const char *uri, const char *name, T &object)
{
    QJSEngine::setObjectOwnership(&object, QJSEngine::CppOwnership);
    qmlRegisterSingletonType<T>(uri, 1, 0, name, [&object](QQmlEngine *, QJSEngine *) -> QObject * { return &object; });
}

} // namespace

void registerQmlTypes(VardoService &service, LocalizationManager &localization)
{
    constexpr const char *uri = "NerovaVardo";
    registerShared(uri, "Vardo", service);
    registerShared(uri, "Localization", localization);
    // Tr.qml itself imports the localization from a module of its own.
    registerShared("NerovaVardo.Localization", "Localization", localization);
    qmlRegisterSingletonType(QUrl(QStringLiteral("qrc:/NerovaVardo/Tr.qml")), uri, 1, 0, "Tr");
    qmlRegisterUncreatableType<VardoService>(uri, 1, 0, "VardoService", QStringLiteral("use the Vardo singleton"));
    qmlRegisterUncreatableType<OwnerAuthentication>(uri, 1, 0, "OwnerAuthentication",
                                                    QStringLiteral("use Vardo.authentication"));
    qmlRegisterUncreatableType<ListModel>(uri, 1, 0, "ListModel", QStringLiteral("lists come from Vardo"));
    static LockStatusRule lockStatus;
    registerShared(uri, "LockStatus", lockStatus);
    qmlRegisterType<EyeVideoPlayer>(uri, 1, 0, "EyeVideoPlayer");
}

} // namespace vardo
