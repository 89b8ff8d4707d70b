// What QML sees of the engine: state it may read but never assign, texts that follow the
// language, and lists that grow row by row.

#include "tests/screens/screens_world.h"

#include <QQmlComponent>
#include <QSignalSpy>

namespace vardo {
namespace {

class QmlFace : public ::testing::Test {
protected:
    void SetUp() override
    {
        LocalizationManager::shared().setCurrentLanguage("en");
        QObject::connect(&engine, &QQmlEngine::warnings, [this](const QList<QQmlError> &list) {
            for (const auto &error : list)
                warnings.append(error.toString());
        });
    }

    // Creates `body` inside a QtObject that imports the module.
    std::unique_ptr<QObject> create(const QString &body)
    {
        QQmlComponent component(&engine);
        component.setData(("import QtQml\nimport NerovaVardo\nQtObject {\n" + body + "\n}\n").toUtf8(), QUrl());
        std::unique_ptr<QObject> object(component.create());
        EXPECT_TRUE(object) << component.errorString().toStdString();
        return object;
    }

    VardoService *shared = &test::screensWorld().service; // before the QML engine: makes the application
    QQmlEngine engine;
    QStringList warnings;
};

TEST_F(QmlFace, RuntimeStateCannotBeAssignedFromQml)
{
    for (const char *property : {"isLocked", "isEnabled", "isMonitoring", "secondsUntilLock", "cameraStatus",
                                 "isFaceLocked", "ownerRecognized", "isEnrolling", "enrollmentProgress",
                                 "totalLocksToday", "isStealthActive"}) {
        SCOPED_TRACE(property);
        warnings.clear();
        const QVariant before = shared->property(property);
        auto object = create(QStringLiteral("Component.onCompleted: Vardo.%1 = Vardo.%1 ? false : true")
                                 .arg(QLatin1String(property)));
        EXPECT_EQ(shared->property(property), before);
        EXPECT_TRUE(warnings.join('\n').contains("read-only")) << warnings.join('\n').toStdString();
    }
}

TEST_F(QmlFace, BoundTextsFollowTheLanguageInPlace)
{
    auto object = create(R"(
        property string title: Tr.t("status.protected")
        property string counted: Tr.f("menu.locks", [3])
        property string level: Vardo.securityLevelDescription
        property bool mirrored: Tr.rightToLeft)");
    const QString english = object->property("title").toString();
    const QString englishLevel = object->property("level").toString();
    EXPECT_TRUE(object->property("counted").toString().contains('3'));

    LocalizationManager::shared().setCurrentLanguage("de");
    EXPECT_NE(object->property("title").toString(), english);
    EXPECT_NE(object->property("level").toString(), englishLevel);

    LocalizationManager::shared().setCurrentLanguage("ar");
    EXPECT_TRUE(object->property("mirrored").toBool());
}

TEST_F(QmlFace, ANewEventArrivesAsOneRowAndItsTextsFollowTheLanguage)
{
    SecurityEventListModel &events = *shared->securityEventModel();
    QSignalSpy inserted(&events, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&events, &QAbstractItemModel::dataChanged);
    shared->addSecurityEvent(SecurityEvent::Type::awayLock, 0);
    shared->addSecurityEvent(SecurityEvent::Type::shoulderGuard, 3);
    ASSERT_EQ(inserted.count(), 2); // not a reset of the whole list
    EXPECT_EQ(inserted.at(1).at(1).toInt(), 0); // at the top, newest first
    const QString title = events.data(events.index(0), SecurityEventListModel::titleRole).toString();

    LocalizationManager::shared().setCurrentLanguage("fr");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_NE(events.data(events.index(0), SecurityEventListModel::titleRole).toString(), title);
}

} // namespace
} // namespace vardo
