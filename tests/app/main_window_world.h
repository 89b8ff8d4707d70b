#pragma once

// The application's main window (its own QML) over a real engine on the simulated
// platform, drawn off screen with the application's style. Clicks are real mouse events,
// so a disabled or hidden button really does not react.

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
#include "platform/recent_log_lines.h"
#include "replay/simulated_platform.h"
#include "screens/qml_types.h"

#include <QApplication>
#include <QQmlEngine>
#include <QQmlProperty>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <memory>

namespace vardo::test {

inline MemoryDefaultsStore &languageStore()
{
    static MemoryDefaultsStore store;
    return store;
}

inline void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    qputenv("TZ", "UTC"); // dates must not depend on where the test runs
    tzset();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    LocalizationManager::setSharedStore(&languageStore());
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QQuickStyle::setStyle(QStringLiteral("Fusion"));
    static int argc = 1;
    static char name[] = "vardo-window-tests";
    static char *argv[] = {name, nullptr};
    // Never destroyed: Qt's own clean-up at exit would run after the windows' libraries.
    new QApplication(argc, argv);
}

class MainWindowWorld {
public:
    MainWindowWorld() { ensureApplication(); }
    ~MainWindowWorld() { close(); }

    // What the application builds around `engine`, the window shown in English.
    void open(VardoService &engine, SimulatedPlatform &simulated, RecentLogLines &log)
    {
        service = &engine;
        platform = &simulated;
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
        LocalizationManager::shared().setCurrentLanguage(QStringLiteral("en"));
        qml = std::make_unique<QQmlEngine>();
        prepareQmlEngine(*qml);
        registerQmlTypes(engine, LocalizationManager::shared());
        std::function<void()> openPrivacyPage;
        if (desktopHasPrivacyPage)
            openPrivacyPage = [this] { ++privacyPagesOpened; };
        dashboard = std::make_unique<DashboardState>(engine, simulated.time, simulated.time, openPrivacyPage);
        options = std::make_unique<SettingsOptions>(engine, LocalizationManager::shared());
        autostart = std::make_unique<AutostartEntry>(QStringLiteral("/usr/bin/nerova-vardo"), log, home.path());
        desktop = std::make_unique<DesktopSettings>(*autostart);
        registerApplicationQmlTypes(*dashboard, *options, *desktop);
        firstStart = std::make_unique<FirstStart>(FirstStartServices{
            .service = engine,
            .timers = simulated.time,
            .mainQueue = simulated.time.mainQueue(),
            .backgroundQueue = simulated.time.backgroundQueue(),
            .camera = simulated.camera,
            .system = system,
            .packages = packages,
            .log = &log,
            .programPath = QStringLiteral("/usr/bin/nerova-vardo"),
        });
        firstStart->registerQmlTypes();
        window = std::make_unique<MainWindow>(*qml, log);
        ASSERT_TRUE(window->create());
        window->window()->resize(960, 760);
        window->present();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window->window()));
        settle();
    }

    // Everything over the engine goes before the engine does.
    void close()
    {
        window.reset();
        qml.reset();
        firstStart.reset();
        desktop.reset();
        options.reset();
        dashboard.reset();
    }

    // Runs what is due on the virtual clock and what Qt has queued, until both rest.
    void settle()
    {
        for (int i = 0; i < 4; ++i) {
            platform->time.runUntilIdle();
            QCoreApplication::processEvents();
        }
    }

    QQuickWindow *quickWindow() const { return window->window(); }
    QQuickItem *scene() const { return qvariant_cast<QQuickItem *>(quickWindow()->property("scene")); }

    // The visible item of that objectName, sheets included; null when none is shown.
    QQuickItem *shown(const QString &name) const { return visibleIn(quickWindow()->contentItem(), name); }
    // An object of that objectName, shown or not (closed popups included).
    QObject *find(const QString &name) const
    {
        if (QQuickItem *item = shown(name))
            return item;
        QObject *inScene = scene() ? scene()->findChild<QObject *>(name) : nullptr;
        return inScene ? inScene : quickWindow()->findChild<QObject *>(name);
    }
    // Every item of that objectName in the visual tree, in the tree's order.
    QList<QQuickItem *> findItems(const QString &name) const
    {
        QList<QQuickItem *> found;
        collect(quickWindow()->contentItem(), name, found);
        return found;
    }
    QVariant read(const QString &name, const char *property) const
    {
        QObject *object = find(name);
        EXPECT_TRUE(object) << "no item " << name.toStdString();
        return object ? QQmlProperty::read(object, QLatin1String(property)) : QVariant();
    }
    QString text(const QString &name) const
    {
        return shown(name) ? shown(name)->property("text").toString() : QStringLiteral("<%1 not shown>").arg(name);
    }
    bool visible(const QString &name) const { return shown(name) != nullptr; }
    bool isEnabled(const QString &name) const { return shown(name) && shown(name)->isEnabled(); }
    // A real click in the middle of the item, scrolled into view, if it is shown.
    void click(const QString &name)
    {
        QQuickItem *item = shown(name);
        ASSERT_NE(item, nullptr) << name.toStdString() << " is not shown";
        for (QQuickItem *p = item->parentItem(); p; p = p->parentItem()) {
            if (!p->inherits("QQuickFlickable"))
                continue;
            auto *content = qvariant_cast<QQuickItem *>(p->property("contentItem"));
            const qreal top = item->mapToItem(content, QPointF(0, 0)).y();
            const qreal y = p->property("contentY").toReal();
            if (top < y || top + item->height() > y + p->height())
                p->setProperty("contentY", std::max<qreal>(0, top - p->height() / 3));
        }
        QCoreApplication::processEvents();
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(quickWindow(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
        settle();
    }
    void choose(const QString &picker, int index)
    {
        QObject *box = find(picker);
        ASSERT_TRUE(box) << picker.toStdString();
        QMetaObject::invokeMethod(box, "activated", Q_ARG(int, index));
        settle();
    }
    QVariant view(const char *property) const { return QQmlProperty::read(scene(), QLatin1String(property)); }
    void setView(const char *property, const QVariant &value)
    {
        QQmlProperty::write(scene(), QLatin1String(property), value);
        settle();
    }

    VardoService *service = nullptr;
    SimulatedPlatform *platform = nullptr;
    QTemporaryDir home;
    FakeSystemDescriber system;
    FakePackageOrigin packages;
    std::unique_ptr<QQmlEngine> qml;
    std::unique_ptr<DashboardState> dashboard;
    std::unique_ptr<SettingsOptions> options;
    std::unique_ptr<AutostartEntry> autostart;
    std::unique_ptr<DesktopSettings> desktop;
    std::unique_ptr<FirstStart> firstStart;
    std::unique_ptr<MainWindow> window;
    bool desktopHasPrivacyPage = true; // set before open()
    int privacyPagesOpened = 0;

private:
    static QQuickItem *visibleIn(QQuickItem *item, const QString &name)
    {
        if (!item || !item->isVisible())
            return nullptr;
        if (item->objectName() == name)
            return item;
        for (QQuickItem *child : item->childItems())
            if (QQuickItem *found = visibleIn(child, name))
                return found;
        return nullptr;
    }
    static void collect(QQuickItem *item, const QString &name, QList<QQuickItem *> &found)
    {
        if (item->objectName() == name)
            found.append(item);
        for (QQuickItem *child : item->childItems())
            collect(child, name, found);
    }
};

} // namespace vardo::test
