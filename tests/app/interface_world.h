#pragma once

// The main window as the user sees it, built from the application's own QML over a real
// engine on the simulated platform (fakes, virtual time), driven by replay lines. The
// QML singletons point at one engine per process, so a test that finds a world already
// built in its process runs again in a process of its own (VARDO_FRESH_WORLD).

#include "app/app_qml_types.h"
#include "app/autostart_entry.h"
#include "app/dashboard_state.h"
#include "app/desktop_settings.h"
#include "app/first_start.h"
#include "app/main_window.h"
#include "app/settings_options.h"
#include "engine/vardo_service.h"
#include "localization/localization_manager.h"
#include "platform/defaults_store.h"
#include "platform/fakes/memory_log.h"
#include "platform/fakes/system_probe_fakes.h"
#include "replay/replay_runner.h"
#include "screens/qml_types.h"
#include "tests/support/child_process.h"

#include <QApplication>
#include <QQmlEngine>
#include <QQmlProperty>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <initializer_list>
#include <ctime>
#include <memory>
#include <string>

namespace vardo::test {

class InterfaceWorld {
public:
    MemoryDefaultsStore settings;
    MemoryLog log;

private:
    // Before everything that points into the engine, so that it goes last.
    QTemporaryDir configHome_;
    ScenarioReplay replay_;
    AutostartEntry autostart_;
    FakeSystemDescriber system_;
    FakePackageOrigin packages_;
    int lineNumber_ = 100;

public:
    // `setUp`: the replay's set-up lines (defaults, enrolled, ...), at t = 0.
    explicit InterfaceWorld(std::initializer_list<const char *> setUp)
        : replay_(settings, log), autostart_(QStringLiteral("/usr/bin/nerova-vardo"), log, configHome_.path())
    {
        built() = true;
        LocalizationManager::setSharedStore(&settings);
        int number = 0;
        for (const char *line : setUp)
            EXPECT_TRUE(replay_.runLine(line, ++number)) << line << ": " << replay_.error();
        replay_.finish();
        service = replay_.service();
        platform = replay_.platform();
        registerQmlTypes(*service, LocalizationManager::shared());
        dashboard = std::make_unique<DashboardState>(*service, platform->time, platform->time,
                                                     [this] { ++privacyPagesOpened; });
        pickers = std::make_unique<SettingsOptions>(*service, LocalizationManager::shared());
        desktop = std::make_unique<DesktopSettings>(autostart_);
        registerApplicationQmlTypes(*dashboard, *pickers, *desktop);
        firstStart = std::make_unique<FirstStart>(FirstStartServices{
            .service = *service,
            .timers = platform->time,
            .mainQueue = platform->time.mainQueue(),
            .backgroundQueue = platform->time.backgroundQueue(),
            .camera = platform->camera,
            .system = system_,
            .packages = packages_,
            .programPath = QStringLiteral("/usr/bin/nerova-vardo"),
        });
        firstStart->registerQmlTypes();
        prepareQmlEngine(qml);
        window = std::make_unique<MainWindow>(qml, log);
        EXPECT_TRUE(window->create()) << ::testing::PrintToString(log.lines());
        window->present();
        settle();
    }

    // True once a world was built in this process.
    static bool &built()
    {
        static bool value = false;
        return value;
    }

    // One replay line ("t" on the virtual clock and one action), then everything it set
    // going that is due at once (a frame's results reach the main thread by a task).
    void run(const std::string &line)
    {
        EXPECT_TRUE(replay_.runLine(line, ++lineNumber_)) << line << ": " << replay_.error();
        platform->time.runUntilIdle();
        settle();
    }

    // Lets queued QML work (Qt.callLater, rebuilds) happen.
    void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    QQuickWindow *quickWindow() const { return window->window(); }
    QQuickItem *scene() const { return qvariant_cast<QQuickItem *>(quickWindow()->property("scene")); }

    // An item of the scene by objectName (popups included: they hang off the window;
    // a repeater's items only off their visual parent).
    QObject *find(const char *name) const
    {
        if (QObject *inScene = scene() ? scene()->findChild<QObject *>(QLatin1String(name)) : nullptr)
            return inScene;
        if (QObject *inWindow = quickWindow()->findChild<QObject *>(QLatin1String(name)))
            return inWindow;
        const QList<QQuickItem *> items = findItems(name);
        return items.isEmpty() ? nullptr : items.front();
    }
    // Every item of that objectName in the visual tree, in the tree's order.
    QList<QQuickItem *> findItems(const char *name) const
    {
        QList<QQuickItem *> found;
        collect(quickWindow()->contentItem(), QLatin1String(name), found);
        return found;
    }
    QVariant read(const char *item, const char *property) const
    {
        QObject *object = find(item);
        EXPECT_TRUE(object) << "no item " << item;
        return object ? QQmlProperty::read(object, QLatin1String(property)) : QVariant();
    }
    QString text(const char *item) const { return read(item, "text").toString(); }
    bool visible(const char *item) const
    {
        auto *quickItem = qobject_cast<QQuickItem *>(find(item));
        return quickItem && quickItem->isVisible();
    }
    // What a click does: the button's clicked signal.
    void click(const char *item)
    {
        QObject *object = find(item);
        ASSERT_TRUE(object) << "no item " << item;
        QMetaObject::invokeMethod(object, "clicked");
        settle();
    }
    QVariant viewFlag(const char *name) const { return QQmlProperty::read(scene(), QLatin1String(name)); }
    void setViewFlag(const char *name, const QVariant &value)
    {
        QQmlProperty::write(scene(), QLatin1String(name), value);
        settle();
    }

    VardoService *service = nullptr;
    SimulatedPlatform *platform = nullptr;
    std::unique_ptr<DashboardState> dashboard;
    std::unique_ptr<SettingsOptions> pickers;
    std::unique_ptr<DesktopSettings> desktop;
    std::unique_ptr<FirstStart> firstStart;
    QQmlEngine qml;
    std::unique_ptr<MainWindow> window;
    int privacyPagesOpened = 0;

private:
    static void collect(QQuickItem *item, QLatin1String name, QList<QQuickItem *> &found)
    {
        if (!item)
            return;
        if (item->objectName() == name)
            found.append(item);
        for (QQuickItem *child : item->childItems())
            collect(child, name, found);
    }
};

// The application object every world needs; drawn off screen.
inline void ensureGuiApplication()
{
    if (QCoreApplication::instance())
        return;
    // Dates must not depend on where the test runs.
    qputenv("TZ", "UTC");
    tzset();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vardo-interface-tests";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

} // namespace vardo::test

// At the top of every test that builds a world.
#define VARDO_FRESH_WORLD()                                                                                     \
    do {                                                                                                        \
        ::vardo::test::ensureGuiApplication();                                                                  \
        if (::vardo::test::InterfaceWorld::built()) {                                                           \
            const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();                         \
            EXPECT_TRUE(::vardo::test::runTestInChildProcess(std::string(info->test_suite_name()) + "."         \
                                                             + info->name()));                                  \
            return;                                                                                             \
        }                                                                                                       \
    } while (false)
