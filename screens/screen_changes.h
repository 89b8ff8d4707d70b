#pragma once

#include <QObject>

#include <functional>

namespace vardo {

// Calls `changed` whenever a screen is added or removed, or one changes its geometry
// (a monitor unplugged, a resolution or arrangement changed), until `context` goes.
void watchScreenChanges(QObject *context, std::function<void()> changed);

} // namespace vardo
