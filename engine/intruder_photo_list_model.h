#pragma once

#include "engine/vector_list_model.h"
#include "intruder/intruder_photo.h"

namespace vardo {

// Intruder photos, newest first: those of the last lock, or the whole history.
class IntruderPhotoListModel final : public VectorListModel<IntruderPhoto> {
    Q_OBJECT

public:
    enum Role { photoIdRole = Qt::UserRole + 1, sourceRole, dateRole };

    using VectorListModel::VectorListModel;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;
    QVariantList toVariantList() const override;
};

} // namespace vardo
