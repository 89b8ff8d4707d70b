#pragma once

#include <QObject>

#include <functional>

namespace vardo {

// Calls `changed` whenever a screen is added or removed, or one changes its geometry
// (a monitor unplugged, a resolution or arrangement changed), until `context` goes.
// Qt removes every screen when the application object ends: the context must go first.
void watchScreenChanges(QObject *context, std::function<void()> changed);

} // namespace vardo
