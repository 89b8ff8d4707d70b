#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

namespace vardo {

// Where the interface may send people: the product web site, the support address and
// the review page. They come from one place, the build (CMake cache variables
// VARDO_WEBSITE_URL, VARDO_SUPPORT_EMAIL, VARDO_REVIEW_URL), and each is shown only
// when it is set. None is set by default: the project owns no web site, store page or
// mailbox, so nothing links anywhere. QML finds this as the singleton `Links`.
class ProductLinks final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool hasWebsite READ hasWebsite CONSTANT)
    Q_PROPERTY(QString websiteHost READ websiteHost CONSTANT)
    Q_PROPERTY(bool hasSupportEmail READ hasSupportEmail CONSTANT)
    Q_PROPERTY(QString supportEmail READ supportEmail CONSTANT)
    Q_PROPERTY(bool hasReviewPage READ hasReviewPage CONSTANT)
    Q_PROPERTY(QString versionLabel READ versionLabel CONSTANT)
    Q_PROPERTY(QString version READ version CONSTANT)

public:
    struct Destinations {
        QString website;
        QString supportEmail;
        QString reviewPage;
    };
    // What the build configured.
    static Destinations configured();

    explicit ProductLinks(Destinations destinations = configured(), QObject *parent = nullptr);

    // A web address counts only when it is an absolute http(s) address; an address
    // counts only when it has one @ with text on both sides.
    bool hasWebsite() const { return website_.isValid(); }
    QString websiteHost() const { return website_.host(); }
    bool hasSupportEmail() const { return !supportEmail_.isEmpty(); }
    QString supportEmail() const { return supportEmail_; }
    bool hasReviewPage() const { return reviewPage_.isValid(); }
    static QString version();
    static QString versionLabel(); // "v0.1.0"

    Q_INVOKABLE void openWebsite() const;
    Q_INVOKABLE void openReviewPage() const;
    // Replaces whatever the clipboard held with the support address.
    Q_INVOKABLE void copySupportEmail() const;

private:
    QUrl website_;
    QString supportEmail_;
    QUrl reviewPage_;
};

} // namespace vardo
