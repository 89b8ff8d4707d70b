#include "engine/service_state_json.h"

#include "engine/vardo_service.h"
#include "engine/vector_list_model.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaProperty>

namespace vardo {

QString compactJson(const QJsonValue &value)
{
    // A document holds only arrays and objects: wrap, write, unwrap.
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

QString publishedStateJson(const VardoService &service, const QString &extraMembers)
{
    const QMetaObject &meta = VardoService::staticMetaObject;
    QStringList members;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
        const QMetaProperty property = meta.property(i);
        const QString name = QString::fromLatin1(property.name());
        QJsonValue value;
        QObject *object = property.metaType().flags().testFlag(QMetaType::PointerToQObject)
            ? property.read(&service).value<QObject *>()
            : nullptr;
        if (property.metaType().flags().testFlag(QMetaType::PointerToQObject)) {
            const auto *list = qobject_cast<const ListModel *>(object);
            if (!list)
                continue; // an object the interface talks to, not state
            value = QJsonValue::fromVariant(list->toVariantList());
        } else if (name == QLatin1String("lockMode"))
            value = QLatin1String(lockModeRawValue(service.lockMode()));
        else if (name == QLatin1String("cameraStatus"))
            value = QLatin1String(cameraStatusName(service.cameraStatus()));
        else if (name == QLatin1String("cameraProblem"))
            value = QLatin1String(cameraProblemName(service.cameraProblem()));
        else
            value = QJsonValue::fromVariant(property.read(&service));
        members << QLatin1Char('"') + name + QStringLiteral("\":") + compactJson(value);
    }
    // The liveness verdicts at a locked screen, which decide whether the owner's face
    // may open it, are not published but belong to the state all the same.
    members << QStringLiteral("\"depthLivenessConfirmed\":") + compactJson(service.depthLivenessConfirmed());
    members << QStringLiteral("\"textureCheckPassed\":") + compactJson(service.textureCheckPassed());
    if (!extraMembers.isEmpty())
        members << extraMembers;
    return QLatin1Char('{') + members.join(QLatin1Char(',')) + QLatin1Char('}');
}

} // namespace vardo
