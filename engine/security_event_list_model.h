#pragma once

#include "engine/security_event.h"
#include "engine/vector_list_model.h"

namespace vardo {

// The security history, newest first. Titles and details follow the interface language.
class SecurityEventListModel final : public VectorListModel<SecurityEvent> {
    Q_OBJECT

public:
    enum Role { eventIdRole = Qt::UserRole + 1, eventTypeRole, titleRole, detailRole, dateRole, faceCountRole };

    using VectorListModel::VectorListModel;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;
    QVariantList toVariantList() const override;
};

} // namespace vardo
