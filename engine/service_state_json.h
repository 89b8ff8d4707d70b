#pragma once

#include <QJsonValue>
#include <QString>

namespace vardo {

class VardoService;

// Every published field of the service as one compact JSON object, in declaration
// order; lockMode as its raw value ("app_only"), cameraStatus as its case name
// ("noCameraFound"). Extra fields, already in JSON, may be appended.
QString publishedStateJson(const VardoService &service, const QString &extraMembers = {});

// One JSON value in compact form.
QString compactJson(const QJsonValue &value);

} // namespace vardo
