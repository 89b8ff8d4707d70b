#include "engine/security_event.h"

#include "localization/localization_manager.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <limits>

namespace vardo {

const char *eventTypeRawValue(SecurityEvent::Type type)
{
    switch (type) {
    case SecurityEvent::Type::awayLock: return "away_lock";
    case SecurityEvent::Type::shoulderGuard: return "shoulder_guard";
    case SecurityEvent::Type::manualUnlock: return "manual_unlock";
    }
    return "away_lock";
}

std::optional<SecurityEvent::Type> eventTypeFromRawValue(const QString &raw)
{
    for (auto type : {SecurityEvent::Type::awayLock, SecurityEvent::Type::shoulderGuard,
                      SecurityEvent::Type::manualUnlock})
        if (raw == QLatin1String(eventTypeRawValue(type)))
            return type;
    return std::nullopt;
}

QString SecurityEvent::title() const
{
    switch (type) {
    case Type::awayLock: return QString::fromStdString(localized("event.away_lock"));
    case Type::shoulderGuard: return QString::fromStdString(localized("event.shoulder_guard"));
    case Type::manualUnlock: return QString::fromStdString(localized("event.manual_unlock"));
    }
    return {};
}

QString SecurityEvent::detail() const
{
    switch (type) {
    case Type::awayLock: return QString::fromStdString(localized("event.no_face"));
    case Type::shoulderGuard:
        return QString::fromStdString(localizedFormat("event.faces_detected", std::to_string(faceCount)));
    case Type::manualUnlock: return QString::fromStdString(localized("event.unlocked_manually"));
    }
    return {};
}

Bytes encodeSecurityEvents(const std::vector<SecurityEvent> &events)
{
    QJsonArray array;
    for (const auto &event : events) {
        array.append(QJsonObject{
            {QStringLiteral("id"), event.id.toString(QUuid::WithoutBraces).toUpper()},
            {QStringLiteral("type"), QLatin1String(eventTypeRawValue(event.type))},
            {QStringLiteral("date"), event.date - referenceDateOffset},
            {QStringLiteral("faceCount"), event.faceCount},
        });
    }
    const QByteArray json = QJsonDocument(array).toJson(QJsonDocument::Compact);
    return Bytes(json.begin(), json.end());
}

std::optional<std::vector<SecurityEvent>> decodeSecurityEvents(const Bytes &data)
{
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(
        QByteArray(reinterpret_cast<const char *>(data.data()), static_cast<qsizetype>(data.size())), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    std::vector<SecurityEvent> events;
    for (const QJsonValue &element : document.array()) {
        if (!element.isObject())
            return std::nullopt;
        const QJsonObject object = element.toObject();
        const QJsonValue id = object.value(QStringLiteral("id"));
        const QJsonValue type = object.value(QStringLiteral("type"));
        const QJsonValue date = object.value(QStringLiteral("date"));
        const QJsonValue faceCount = object.value(QStringLiteral("faceCount"));
        if (!id.isString() || !type.isString() || !date.isDouble() || !faceCount.isDouble())
            return std::nullopt;
        SecurityEvent event;
        // Only the plain 36-character form: QUuid would also take braces, which the
        // stored form never has.
        constexpr qsizetype uuidTextLength = 36;
        if (id.toString().size() != uuidTextLength)
            return std::nullopt;
        event.id = QUuid::fromString(id.toString());
        const auto eventType = eventTypeFromRawValue(type.toString());
        constexpr qint64 notWhole = std::numeric_limits<qint64>::min();
        event.faceCount = faceCount.toInteger(notWhole);
        if (event.id.isNull() || !eventType || event.faceCount == notWhole)
            return std::nullopt;
        event.type = *eventType;
        event.date = date.toDouble() + referenceDateOffset;
        events.push_back(event);
    }
    return events;
}

} // namespace vardo
