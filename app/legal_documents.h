#pragma once

#include <QObject>
#include <QString>

namespace vardo {

// The Markdown the documents are written in (headings, paragraphs, "- " lists, **bold**,
// `code`) as HTML with some space between the blocks; text is escaped.
QString documentHtml(const QString &markdown);

// The terms of use and the privacy policy, shipped with the application (compiled in
// from app/documents) and shown in a sheet; the project has no web page for them. QML
// finds this as the singleton `Documents`.
class LegalDocuments final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The document "terms" or "privacy" as Markdown; empty for any other name.
    Q_INVOKABLE QString markdown(const QString &name) const;
    // The same without its title line, for a sheet that shows the title itself, as the
    // small HTML a Qt Quick text shows: headings, paragraphs, lists, bold and code.
    Q_INVOKABLE QString bodyHtml(const QString &name) const;
    // The title key of the document ("welcome.terms", "welcome.privacy").
    Q_INVOKABLE QString titleKey(const QString &name) const;
};

} // namespace vardo
