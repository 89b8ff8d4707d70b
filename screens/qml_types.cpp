#include "screens/qml_types.h"

#include "engine/vardo_service.h"
#include "localization/localization_manager.h"
#include "screens/eye_video_player.h"
#include "screens/lock_status.h"

#include <QUrl>

namespace vardo {

void registerQmlTypes(VardoService &service, LocalizationManager &localization)
{
    constexpr const char *uri = "NerovaVardo";
    registerSharedQmlObject(uri, "Vardo", service);
    registerSharedQmlObject(uri, "Localization", localization);
    // Tr.qml itself imports the localization from a module of its own.
    registerSharedQmlObject("NerovaVardo.Localization", "Localization", localization);
    qmlRegisterSingletonType(QUrl(QStringLiteral("qrc:/NerovaVardo/Tr.qml")), uri, 1, 0, "Tr");
    qmlRegisterUncreatableType<VardoService>(uri, 1, 0, "VardoService", QStringLiteral("use the Vardo singleton"));
    qmlRegisterUncreatableType<OwnerAuthentication>(uri, 1, 0, "OwnerAuthentication",
                                                    QStringLiteral("use Vardo.authentication"));
    qmlRegisterUncreatableType<ListModel>(uri, 1, 0, "ListModel", QStringLiteral("lists come from Vardo"));
    static LockStatusRule lockStatus;
    registerSharedQmlObject(uri, "LockStatus", lockStatus);
    qmlRegisterType<EyeVideoPlayer>(uri, 1, 0, "EyeVideoPlayer");
}

} // namespace vardo
