#include "engine/security_event_list_model.h"

#include <QDateTime>
#include <QVariantMap>

namespace vardo {

namespace {

QString upperCaseId(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

} // namespace

QVariant SecurityEventListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const SecurityEvent &event = items()[static_cast<std::size_t>(index.row())];
    switch (role) {
    case eventIdRole: return upperCaseId(event.id);
    case eventTypeRole: return QString::fromLatin1(eventTypeRawValue(event.type));
    case Qt::DisplayRole:
    case titleRole: return event.title();
    case detailRole: return event.detail();
    case dateRole: return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(event.date * 1000.0));
    case faceCountRole: return event.faceCount;
    default: return {};
    }
}

QHash<int, QByteArray> SecurityEventListModel::roleNames() const
{
    return {{eventIdRole, "eventId"}, {eventTypeRole, "eventType"}, {titleRole, "title"},
            {detailRole, "detail"},   {dateRole, "date"},           {faceCountRole, "faceCount"}};
}

QVariantList SecurityEventListModel::toVariantList() const
{
    QVariantList list;
    for (const auto &event : items())
        list.append(QVariantMap{{"id", upperCaseId(event.id)},
                                {"type", QString::fromLatin1(eventTypeRawValue(event.type))},
                                {"date", event.date},
                                {"faceCount", event.faceCount},
                                {"title", event.title()},
                                {"detail", event.detail()}});
    return list;
}

} // namespace vardo
