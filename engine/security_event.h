#pragma once

#include "platform/defaults_store.h" // Bytes

#include <QString>
#include <QUuid>

#include <optional>
#include <vector>

namespace vardo {

// One entry of the security history the dashboard lists.
struct SecurityEvent {
    enum class Type { awayLock, shoulderGuard, manualUnlock };

    QUuid id;
    Type type = Type::awayLock;
    double date = 0.0; // seconds since 1970-01-01 UTC
    qint64 faceCount = 0;

    // Localised texts for the event list.
    QString title() const;
    QString detail() const;
};

const char *eventTypeRawValue(SecurityEvent::Type type);
std::optional<SecurityEvent::Type> eventTypeFromRawValue(const QString &raw);

// The stored form under "vardo_events": one JSON array, newest first; each element
// {"id": upper-case UUID, "type": raw value, "date": seconds since 2001-01-01 UTC,
// "faceCount": integer}. Decoding is all or nothing: one bad element rejects the list.
Bytes encodeSecurityEvents(const std::vector<SecurityEvent> &events);
std::optional<std::vector<SecurityEvent>> decodeSecurityEvents(const Bytes &data);

// Seconds between 1970-01-01 and 2001-01-01, the reference date of the stored form.
inline constexpr double referenceDateOffset = 978307200.0;

} // namespace vardo
