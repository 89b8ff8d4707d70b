#pragma once

#include <QJSEngine>
#include <QQmlEngine>

namespace vardo {

// Registers `object` as the singleton `name` of the QML module `uri`: one object for every
// QML engine of the process, which none of them may delete.
template <typename T>
void registerSharedQmlObject(const char *uri, const char *name, T &object)
{
    QJSEngine::setObjectOwnership(&object, QJSEngine::CppOwnership);
    qmlRegisterSingletonType<T>(uri, 1, 0, name, [&object](QQmlEngine *, QJSEngine *) -> QObject * { return &object; });
}

class LocalizationManager;
class VardoService;

// Makes the engine and the localization known to QML as the module "NerovaVardo":
// the singletons Vardo (the engine), Localization, Tr (text lookup that follows the
// language) and LockStatus (the lock screen's status rule), the engine's enumerations,
// and the eye clip's player. Call once, before the first QML engine loads.
void registerQmlTypes(VardoService &service, LocalizationManager &localization);

} // namespace vardo
