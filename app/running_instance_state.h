#pragma once

#include <QDBusConnection>
#include <QString>

#include <optional>

namespace vardo {

// The live state of the Nerova Vardo running in this session, read from its bus
// object: one compact JSON object, its members in the interface's property order.
// Nothing when no instance runs or it does not answer.
std::optional<QString> runningInstanceStateJson(QDBusConnection bus);

} // namespace vardo
