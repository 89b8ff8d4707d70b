#pragma once

#include <QObject>
#include <QString>

namespace vardo {

// The terms of use and the privacy policy, shipped with the application (compiled in
// from app/documents) and shown in a sheet; the project has no web page for them. QML
// finds this as the singleton `Documents`.
class LegalDocuments final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The document "terms" or "privacy" as Markdown; empty for any other name.
    Q_INVOKABLE QString markdown(const QString &name) const;
    // The same without its title line, for a sheet that shows the title itself.
    Q_INVOKABLE QString body(const QString &name) const;
    // The title key of the document ("welcome.terms", "welcome.privacy").
    Q_INVOKABLE QString titleKey(const QString &name) const;
};

} // namespace vardo
