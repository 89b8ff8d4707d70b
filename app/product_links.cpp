#include "app/product_links.h"

#include "product_links_config.h"
#include "version.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>

namespace vardo {

namespace {

QUrl webAddress(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const bool web = url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http");
    return url.isValid() && web && !url.host().isEmpty() ? url : QUrl();
}

QString mailAddress(const QString &text)
{
    const QString address = text.trimmed();
    const qsizetype at = address.indexOf(QLatin1Char('@'));
    const bool plausible = at > 0 && at == address.lastIndexOf(QLatin1Char('@')) && at < address.size() - 1
        && !address.contains(QLatin1Char(' '));
    return plausible ? address : QString();
}

} // namespace

ProductLinks::Destinations ProductLinks::configured()
{
    return Destinations{
        .website = QString::fromUtf8(VARDO_WEBSITE_URL),
        .supportEmail = QString::fromUtf8(VARDO_SUPPORT_EMAIL),
        .reviewPage = QString::fromUtf8(VARDO_REVIEW_URL),
    };
}

ProductLinks::ProductLinks(Destinations destinations, QObject *parent)
    : QObject(parent)
    , website_(webAddress(destinations.website))
    , supportEmail_(mailAddress(destinations.supportEmail))
    , reviewPage_(webAddress(destinations.reviewPage))
{
}

QString ProductLinks::version()
{
    return QStringLiteral(NEROVA_VARDO_VERSION);
}

QString ProductLinks::versionLabel()
{
    return QLatin1Char('v') + version();
}

void ProductLinks::openWebsite() const
{
    if (hasWebsite())
        QDesktopServices::openUrl(website_);
}

void ProductLinks::openReviewPage() const
{
    if (hasReviewPage())
        QDesktopServices::openUrl(reviewPage_);
}

void ProductLinks::copySupportEmail() const
{
    if (hasSupportEmail())
        QGuiApplication::clipboard()->setText(supportEmail_);
}

} // namespace vardo
