#pragma once

namespace vardo {

class LocalizationManager;
class VardoService;

// Makes the engine and the localization known to QML as the module "NerovaVardo":
// the singletons Vardo (the engine), Localization, Tr (text lookup that follows the
// language) and LockStatus (the lock screen's status rule), the engine's enumerations,
// and the eye clip's player. Call once, before the first QML engine loads.
void registerQmlTypes(VardoService &service, LocalizationManager &localization);

} // namespace vardo
