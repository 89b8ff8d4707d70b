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
    case sourceRole: return QUrl::fromLocalFile(photo.path);
    case dateRole: return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(photo.date * 1000.0));
    default: return {};
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
        list.append(QVariantMap{{"id", photo.id.toString(QUuid::WithoutBraces)}, {"path", photo.path}, {"date", photo.date}});
    return list;
}

} // namespace vardo
