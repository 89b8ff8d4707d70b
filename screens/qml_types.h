#pragma once

namespace vardo {

class LocalizationManager;
class VardoService;

// Makes the engine and the localization known to QML as the module "NerovaVardo":
// the singletons Vardo (the engine), Localization and Tr (text lookup that follows the
// language), and the engine's enumerations. Call once, before the first QML engine loads.
void registerQmlTypes(VardoService &service, LocalizationManager &localization);

} // namespace vardo
