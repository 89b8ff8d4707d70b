#include "app/legal_documents.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

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

// **bold** and `code` inside a line of escaped text.
QString inlineHtml(const QString &text)
{
    static const QRegularExpression bold(QStringLiteral("\\*\\*(.+?)\\*\\*"));
    static const QRegularExpression code(QStringLiteral("`(.+?)`"));
    QString html = text.toHtmlEscaped();
    html.replace(bold, QStringLiteral("<b>\\1</b>"));
    html.replace(code, QStringLiteral("<code>\\1</code>"));
    return html;
}

} // namespace

QString documentHtml(const QString &markdown)
{
    QString html;
    QStringList paragraph;
    QStringList items;
    const auto flushParagraph = [&] {
        if (!paragraph.isEmpty())
            html += QStringLiteral("<p style=\"margin-bottom:10px\">") + inlineHtml(paragraph.join(QLatin1Char(' ')))
                + QStringLiteral("</p>");
        paragraph.clear();
    };
    const auto flushList = [&] {
        if (items.isEmpty())
            return;
        html += QStringLiteral("<ul style=\"margin-bottom:10px\">");
        for (const QString &item : items)
            html += QStringLiteral("<li style=\"margin-bottom:6px\">") + inlineHtml(item) + QStringLiteral("</li>");
        html += QStringLiteral("</ul>");
        items.clear();
    };
    for (const QString &raw : markdown.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty()) {
            flushParagraph();
            continue;
        }
        if (line.startsWith(QLatin1Char('#'))) {
            flushParagraph();
            flushList();
            html += QStringLiteral("<h3 style=\"margin-top:8px; margin-bottom:6px\">")
                + inlineHtml(line.mid(line.indexOf(QLatin1Char(' ')) + 1)) + QStringLiteral("</h3>");
        } else if (line.startsWith(QLatin1String("- "))) {
            flushParagraph();
            items.append(line.mid(2));
        } else if (!items.isEmpty() && raw.startsWith(QLatin1String("  "))) {
            items.last() += QLatin1Char(' ') + line; // a list item's continued line
        } else {
            flushList();
            paragraph.append(line);
        }
    }
    flushParagraph();
    flushList();
    return html;
}

QString LegalDocuments::markdown(const QString &name) const
{
    QFile file(resourceOf(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QString LegalDocuments::bodyHtml(const QString &name) const
{
    QString text = markdown(name);
    if (text.startsWith(QLatin1String("# ")))
        text = text.mid(text.indexOf(QLatin1Char('\n')) + 1);
    return documentHtml(text);
}

QString LegalDocuments::titleKey(const QString &name) const
{
    return name == QLatin1String("privacy") ? QStringLiteral("welcome.privacy") : QStringLiteral("welcome.terms");
}

} // namespace vardo
