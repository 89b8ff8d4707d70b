// The binary under its own X server, on a private session bus with a keyring
// (tests/support/with-keyring) and a stand-in panel that reads and clicks the tray menu.

#include "engine/vardo_service.h"
#include "localization/localization_manager.h"
#include "platform/secret_item_labels.h"
#include "platform/secret_store_libsecret.h"
#include "recognition/embedding_codec.h"
#include "replay/replay_synthetic_faces.h"
#include "tests/app/stand_in_panel.h"
#include "tests/support/child_process.h"
#include "tests/support/core_application.h"
#include "tests/support/xvfb_display.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <optional>
#include <tuple>

namespace vardo {
namespace {

constexpr int waitMs = 60000;
const QString appBusName = QStringLiteral("com.nerova.vardo");
const QString appPath = QStringLiteral("/com/nerova/vardo");
const QString appInterface = QStringLiteral("com.nerova.vardo.Application");
const QString binary = QStringLiteral(VARDO_BINARY_DIR "/app/nerova-vardo");

using test::call;

// What a window manager does when the user closes a window: WM_DELETE_WINDOW.
bool closeWindowLikeAWindowManager(const QString &display, unsigned long window)
{
    Display *x = XOpenDisplay(display.toLocal8Bit().constData());
    if (!x)
        return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(x, window, False, NoEventMask, &event) != 0;
    XCloseDisplay(x);
    return sent;
}

QString localizedIn(const char *language, const char *key, std::optional<qint64> number = {})
{
    LocalizationManager &manager = LocalizationManager::shared();
    manager.setCurrentLanguage(QString::fromLatin1(language));
    return number ? manager.localizedFormat(QString::fromLatin1(key), *number) : manager.localized(key);
}

const test::DBusMenuItem *findLabel(const test::DBusMenuItem &root, const QString &label)
{
    for (const auto &item : root.children)
        if (item.label() == label)
            return &item;
    return nullptr;
}

class DesktopApplication : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureCoreApplication();
        bus = QDBusConnection::sessionBus();
        ASSERT_TRUE(bus.isConnected()) << "run under tests/support/with-keyring";
        ASSERT_TRUE(xvfb.ok()) << xvfb.error().toStdString();
        ASSERT_TRUE(config.isValid());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        environment.insert(QStringLiteral("DISPLAY"), xvfb.display());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    }

    void TearDown() override
    {
        if (app.state() != QProcess::NotRunning) {
            app.terminate();
            if (!app.waitForFinished(waitMs))
                app.kill();
        }
        LibsecretSecretStore().remove(VardoService::keychainKey, "owner");
    }

    test::ProcessResult runBinary(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), binary.toStdString());
        std::vector<std::string> extra;
        for (const QString &name : {"XDG_CONFIG_HOME", "DISPLAY", "QT_QPA_PLATFORM"})
            extra.push_back((name + '=' + environment.value(name)).toStdString());
        return test::runProcess(arguments, {}, extra);
    }

    // A user who has finished the first start and set up a face.
    void setUpOwner(const std::string &language)
    {
        for (const auto &[key, type, value] : {std::tuple<std::string, std::string, std::string>{
                                                   "vardo_terms_accepted", "-bool", "true"},
                                               {"vardo_onboarding_done", "-bool", "true"},
                                               {"app_language", "-string", language}})
            ASSERT_EQ(runBinary({"defaults", "write", key, type, value}).exitCode, 0) << key;
        const std::string json = encodeEmbeddings(syntheticEnrolledSet("owner")).value();
        const auto stored = LibsecretSecretStore().add(VardoService::keychainKey, "owner",
                                                       secretItemLabel(VardoService::keychainKey, "owner"),
                                                       Bytes(json.begin(), json.end()));
        ASSERT_TRUE(stored.ok()) << stored.error;
    }

    ::testing::AssertionResult start(const QStringList &arguments = {})
    {
        app.setProcessEnvironment(environment);
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.start(binary, QStringList{QStringLiteral("--camera"),
                                      QStringLiteral(VARDO_TESTDATA_DIR "/video/short_hamilton_clip.mp4")}
                              << arguments);
        const bool published = QTest::qWaitFor(
            [&] { return app.state() == QProcess::NotRunning || appProperty(QStringLiteral("isEnabled")).isValid(); },
            waitMs);
        if (!published || app.state() == QProcess::NotRunning)
            return ::testing::AssertionFailure() << "the application did not come up: " << output();
        return ::testing::AssertionSuccess();
    }

    std::string output() { return QString::fromLocal8Bit(app.readAll()).toStdString(); }

    QVariant appProperty(const QString &name)
    {
        QDBusMessage get = QDBusMessage::createMethodCall(appBusName, appPath,
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        get << appInterface << name;
        const QDBusMessage reply = call(bus, get);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return {};
        return reply.arguments().front().value<QDBusVariant>().variant();
    }

    QDBusMessage callApp(const QString &method, const QVariantList &arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(appBusName, appPath, appInterface, method);
        message.setArguments(arguments);
        return call(bus, message);
    }

    bool waitForProperty(const QString &name, const QVariant &value)
    {
        return QTest::qWaitFor([&] { return appProperty(name) == value; }, waitMs);
    }

    // The main window's X id, when it is mapped on the test's display; 0 otherwise.
    unsigned long visibleMainWindow()
    {
        const auto found = test::runProcess({"xdotool", "search", "--onlyvisible", "--name", "^Nerova Vardo$"}, {},
                                            {"DISPLAY=" + xvfb.display().toStdString()});
        return found.exitCode == 0 ? std::stoul("0" + found.output.substr(0, found.output.find('\n'))) : 0;
    }

    QDBusConnection bus{QString()};
    test::XvfbDisplay xvfb;
    QTemporaryDir config;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QProcess app;
};

TEST_F(DesktopApplication, TheTrayMenuFollowsTheEngineInTheChosenLanguageAndItsItemsWork)
{
    test::StatusNotifierWatcher panel(bus);
    ASSERT_TRUE(panel.ok());
    setUpOwner("de");
    ASSERT_TRUE(start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.items.isEmpty(); }, waitMs)) << output();
    test::DBusMenu menu(bus, panel.items.front());
    auto de = [](const char *key, std::optional<qint64> number = {}) { return localizedIn("de", key, number); };

    QString error;
    auto layout = menu.layout(&error);
    ASSERT_TRUE(layout) << error.toStdString();
    ASSERT_EQ(layout->children.size(), 14); // four separators
    QList<test::DBusMenuItem> items;
    QStringList labels;
    for (const auto &child : layout->children)
        if (!child.isSeparator()) {
            items << child;
            labels << child.label();
        }
    EXPECT_EQ(labels, (QStringList{de("menu.disabled"), de("menu.enable_vardo"), de("menu.locking_in", 0),
                                   de("menu.mode"), de("lock_mode.overlay"), de("lock_mode.lock_mac"),
                                   de("menu.locks", 0), de("menu.no_face_short"), de("menu.open_window"),
                                   de("menu.quit")}));
    EXPECT_NE(de("menu.quit"), localizedIn("en", "menu.quit")); // German, not the fallback
    ASSERT_EQ(items.size(), 10);
    for (int i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(labels[i].toStdString());
        EXPECT_EQ(items[i].isEnabled(), QList<int>({1, 4, 5, 8, 9}).contains(i)); // what can be acted on
        EXPECT_EQ(items[i].isVisible(), i != 2); // no countdown while off
    }
    EXPECT_EQ(items[4].toggleType(), "radio");
    EXPECT_EQ(items[4].toggleState(), 1);
    EXPECT_EQ(items[5].toggleState(), 0);
    const QVariant idleIcon = menu.itemProperty(QStringLiteral("IconPixmap"));

    // The main switch starts protection and the camera; the menu and the icon follow.
    ASSERT_TRUE(menu.click(items[1].id));
    ASSERT_TRUE(waitForProperty(QStringLiteral("isMonitoring"), true)) << output();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto now = menu.layout();
            return now && findLabel(*now, de("menu.disable_vardo"));
        },
        waitMs));
    EXPECT_NE(menu.itemProperty(QStringLiteral("IconPixmap")), idleIcon);

    ASSERT_TRUE(menu.click(items[5].id));
    ASSERT_TRUE(waitForProperty(QStringLiteral("lockMode"), QStringLiteral("lock_mac")));

    ASSERT_TRUE(menu.click(items[9].id));
    ASSERT_TRUE(app.waitForFinished(waitMs));
    EXPECT_EQ(app.exitCode(), 0);
}

TEST_F(DesktopApplication, WithTheScreenLockedNeitherTheBusNorTheTrayMenuCanOpenIt)
{
    test::StatusNotifierWatcher panel(bus);
    ASSERT_TRUE(panel.ok());
    setUpOwner("en");
    ASSERT_EQ(runBinary({"defaults", "write", "vardo_enabled", "-bool", "true"}).exitCode, 0);
    ASSERT_TRUE(start({QStringLiteral("--background")})); // into the tray: no window
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.items.isEmpty(); }, waitMs));
    test::DBusMenu menu(bus, panel.items.front());
    EXPECT_EQ(visibleMainWindow(), 0ul);

    ASSERT_EQ(callApp(QStringLiteral("LockNow")).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(waitForProperty(QStringLiteral("isLocked"), true));

    const QDBusMessage off = callApp(QStringLiteral("SetProtectionEnabled"), {false});
    EXPECT_EQ(off.errorName(), "com.nerova.vardo.Error.ScreenCovered");

    std::optional<test::DBusMenuItem> layout;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            layout = menu.layout();
            const auto *quit = layout ? findLabel(*layout, localizedIn("en", "menu.quit")) : nullptr;
            return quit && !quit->isEnabled();
        },
        waitMs));
    const auto *turnOff = findLabel(*layout, localizedIn("en", "menu.disable_vardo"));
    const auto *open = findLabel(*layout, localizedIn("en", "menu.open_window"));
    const auto *quit = findLabel(*layout, localizedIn("en", "menu.quit"));
    ASSERT_TRUE(turnOff && open && quit);
    EXPECT_FALSE(turnOff->isEnabled());
    // The window would come up over the lock screen, with its own switch.
    EXPECT_FALSE(open->isEnabled());
    EXPECT_EQ(callApp(QStringLiteral("ShowWindow")).errorName(), "com.nerova.vardo.Error.ScreenCovered");
    // A program that sends the clicks anyway changes nothing.
    menu.click(turnOff->id);
    menu.click(open->id);
    menu.click(quit->id);
    appProperty(QStringLiteral("isLocked")); // a round trip: the clicks have been handled
    EXPECT_EQ(app.state(), QProcess::Running);
    EXPECT_EQ(visibleMainWindow(), 0ul);
    EXPECT_EQ(appProperty(QStringLiteral("isLocked")), true);
    EXPECT_EQ(appProperty(QStringLiteral("isEnabled")), true);
}

// Other programs get three operations and read-only state, nothing that unlocks or reads
// the face; a second start brings back the window and leaves.
TEST_F(DesktopApplication, TheBusOffersOnlySafeOperationsAndASecondStartBringsBackTheWindow)
{
    ASSERT_TRUE(start());
    QDBusMessage introspect = QDBusMessage::createMethodCall(
        appBusName, appPath, QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    const QString xml = call(bus, introspect).arguments().value(0).toString();
    const QString ours = xml.section(QStringLiteral("<interface name=\"com.nerova.vardo.Application\">"), 1)
                             .section(QStringLiteral("</interface>"), 0, 0);
    ASSERT_FALSE(ours.isEmpty()) << xml.toStdString();

    QStringList methods;
    for (const auto &match : QRegularExpression(QStringLiteral("<method name=\"(\\w+)\"")).globalMatch(ours))
        methods << match.captured(1);
    EXPECT_EQ(methods, (QStringList{"ShowWindow", "SetProtectionEnabled", "LockNow"}));
    // Nothing writable, no lists (embeddings, photos), nothing about the face data or the password.
    for (const char *word : {"write\"", "type=\"a", "mbedding", "assword", "ecret", "Face\""})
        EXPECT_FALSE(ours.contains(QLatin1String(word))) << word;

    QDBusMessage set = QDBusMessage::createMethodCall(appBusName, appPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Set"));
    set << appInterface << QStringLiteral("isOwnerEnrolled") << QVariant::fromValue(QDBusVariant(true));
    EXPECT_EQ(call(bus, set).type(), QDBusMessage::ErrorMessage);

    // Before a face is set up, switching on opens the window instead.
    const QDBusMessage on = callApp(QStringLiteral("SetProtectionEnabled"), {true});
    EXPECT_EQ(on.errorName(), "com.nerova.vardo.Error.NotSetUp");
    EXPECT_EQ(appProperty(QStringLiteral("isEnabled")), false);

    unsigned long window = 0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (window = visibleMainWindow()) != 0; }, waitMs));
    // Closed by the user: hidden, the application keeps running.
    ASSERT_TRUE(closeWindowLikeAWindowManager(xvfb.display(), window));
    ASSERT_TRUE(QTest::qWaitFor([&] { return visibleMainWindow() == 0; }, waitMs));
    EXPECT_EQ(app.state(), QProcess::Running);

    // The second start runs in its own process; the first must go on answering the bus
    // meanwhile, so the test's event loop keeps running too.
    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(binary, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, waitMs));
    EXPECT_EQ(second.exitCode(), 0) << second.readAll().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return visibleMainWindow() != 0; }, waitMs));

    QProcess state;
    state.setProcessEnvironment(environment);
    state.start(binary, {QStringLiteral("state")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.state() == QProcess::NotRunning; }, waitMs));
    const QString live = QString::fromUtf8(state.readAllStandardOutput());
    EXPECT_TRUE(live.contains(QStringLiteral("\"source\":\"running\""))) << live.toStdString();
    EXPECT_TRUE(live.contains(QStringLiteral("\"isEnabled\":false"))) << live.toStdString();

    app.terminate();
    ASSERT_TRUE(app.waitForFinished(waitMs));
    const auto stored = runBinary({"state"});
    EXPECT_NE(stored.output.find("\"source\":\"stored\""), std::string::npos) << stored.output;
}

} // namespace
} // namespace vardo
