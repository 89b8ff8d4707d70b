#pragma once

class QQmlEngine;

namespace vardo {

class DashboardState;
class DesktopSettings;
class SettingsOptions;

// Makes the main window's QML (module "NerovaVardo.App", compiled in) and its symbols
// reachable from `engine`: the import path and the "image://symbol" provider.
void prepareQmlEngine(QQmlEngine &engine);

// The main window's singletons in the module "NerovaVardo": Dashboard (the view rules
// applied to the engine), SettingsOptions (the pickers) and Desktop (what the desktop
// keeps: start at login). Call once, before the first window loads.
void registerApplicationQmlTypes(DashboardState &dashboard, SettingsOptions &options, DesktopSettings &desktop);

} // namespace vardo
