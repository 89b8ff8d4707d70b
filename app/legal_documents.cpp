#include "app/legal_documents.h"

#include <QFile>

namespace vardo {

namespace {

QString resourceOf(const QString &name)
{
    if (name == QLatin1String("terms"))
        return QStringLiteral(":/qt/qml/NerovaVardo/App/documents/terms-of-use.md");
    if (name == QLatin1String("privacy"))
        return QStringLiteral(":/qt/qml/NerovaVardo/App/documents/privacy-policy.md");
    return {};
}

} // namespace

QString LegalDocuments::markdown(const QString &name) const
{
    QFile file(resourceOf(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QString LegalDocuments::body(const QString &name) const
{
    QString text = markdown(name);
    if (text.startsWith(QLatin1String("# ")))
        text = text.mid(text.indexOf(QLatin1Char('\n')) + 1).trimmed();
    return text;
}

QString LegalDocuments::titleKey(const QString &name) const
{
    return name == QLatin1String("privacy") ? QStringLiteral("welcome.privacy") : QStringLiteral("welcome.terms");
}

} // namespace vardo
