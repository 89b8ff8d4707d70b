#pragma once

#include <functional>

namespace vardo {

// Opens the desktop's camera privacy page, where the desktop has one: GNOME Settings'
// camera page on GNOME. Empty elsewhere (KDE, Xfce and the rest have no such switch),
// and the camera card then offers no button.
std::function<void()> cameraPrivacyPageOpener();

} // namespace vardo
