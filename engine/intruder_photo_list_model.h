#pragma once

#include "engine/vector_list_model.h"
#include "intruder/intruder_photo.h"

namespace vardo {

// Intruder photos, newest first: those of the last lock, or the whole history. A photo's
// source is its file, once written; each photo has a source of its own, so that two
// photos of one second, which share a file, are not one picture to the view's cache.
class IntruderPhotoListModel final : public VectorListModel<IntruderPhoto> {
    Q_OBJECT

public:
    enum Role { photoIdRole = Qt::UserRole + 1, sourceRole, dateRole };

    using VectorListModel::VectorListModel;
    // Marks the photo's file as holding it (or, after clearing, as gone).
    void setSaved(const QUuid &id, bool saved);
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;
    QVariantList toVariantList() const override;
};

} // namespace vardo
