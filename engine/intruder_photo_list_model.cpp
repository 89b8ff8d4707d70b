#include "engine/intruder_photo_list_model.h"

#include <QDateTime>
#include <QUrl>
#include <QVariantMap>

namespace vardo {

QVariant IntruderPhotoListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const IntruderPhoto &photo = items()[static_cast<std::size_t>(index.row())];
    switch (role) {
    case photoIdRole: return photo.id.toString(QUuid::WithoutBraces);
    case sourceRole: {
        if (!photo.isSaved)
            return QUrl();
        QUrl source = QUrl::fromLocalFile(photo.path);
        source.setQuery(QStringLiteral("photo=") + photo.id.toString(QUuid::WithoutBraces));
        return source;
    }
    case dateRole: return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(photo.date * 1000.0));
    default: return {};
    }
}

void IntruderPhotoListModel::setSaved(const QUuid &id, bool saved)
{
    for (std::size_t row = 0; row < items().size(); ++row) {
        if (items()[row].id != id || items()[row].isSaved == saved)
            continue;
        mutableItem(row).isSaved = saved;
        const QModelIndex changed = index(static_cast<int>(row));
        emit dataChanged(changed, changed, {sourceRole});
    }
}

QHash<int, QByteArray> IntruderPhotoListModel::roleNames() const
{
    return {{photoIdRole, "photoId"}, {sourceRole, "source"}, {dateRole, "date"}};
}

QVariantList IntruderPhotoListModel::toVariantList() const
{
    QVariantList list;
    for (const auto &photo : items())
        list.append(QVariantMap{{"id", photo.id.toString(QUuid::WithoutBraces)}, {"path", photo.path}, {"date", photo.date},
                                {"saved", photo.isSaved}});
    return list;
}

} // namespace vardo
