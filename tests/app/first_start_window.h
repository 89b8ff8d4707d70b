#pragma once

// The real main window (MainWindow.qml and everything it loads) over the real engine on
// the simulated platform: virtual time, fake camera fed with real photographs, the real
// face models. Clicks are real mouse events on an offscreen window, so a disabled button
// really does not react.

#include "app/app_qml_types.h"
#include "app/autostart_entry.h"
#include "app/dashboard_state.h"
#include "app/desktop_settings.h"
#include "app/first_start.h"
#include "app/main_window.h"
#include "app/settings_options.h"
#include "engine/frame_analysis_factory.h"
#include "engine/vardo_service.h"
#include "localization/localization_manager.h"
#include "platform/camera_frame.h"
#include "platform/fakes/system_probe_fakes.h"
#include "platform/recent_log_lines.h"
#include "replay/simulated_platform.h"
#include "screens/qml_types.h"

#include <QGuiApplication>
#include <QQmlEngine>
#include <QQmlProperty>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace vardo::test {

inline std::string testImage(const std::string &relative)
{
    return std::string(VARDO_TESTDATA_DIR) + "/" + relative;
}

class FirstStartWindow : public ::testing::Test {
protected:
    // 2026-03-02 09:00:00 UTC
    static constexpr double startTime = 1772442000.0;

    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "first_start_tests";
        static char *argv[] = {name, nullptr};
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QQuickStyle::setStyle(QStringLiteral("Fusion"));
        // Never destroyed: Qt's own clean-up at exit would run after the windows' libraries.
        new QGuiApplication(argc, argv);
        // One analyser for every test of the process: the models load once.
        static MemoryLog modelLog;
        static std::unique_ptr<FrameAnalysis> loaded = createFrameAnalysis(modelLog);
        analysis = loaded.get();
    }

    // Settings and camera access set on `platform` before this call are what the engine
    // starts with. The language lives in memory only (no store for the shared manager).
    void startWindow()
    {
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
        LocalizationManager::shared().setCurrentLanguage(QStringLiteral("en"));
        const CameraDevice camera{"/dev/video0", "Integrated Camera", true};
        platform.camera.devices = {camera};
        platform.camera.front = camera;
        service = std::make_unique<VardoService>(platform.services({.log = &log}), platform.modules(analysis));
        settle();

        qml = std::make_unique<QQmlEngine>();
        prepareQmlEngine(*qml);
        registerQmlTypes(*service, LocalizationManager::shared());
        dashboard = std::make_unique<DashboardState>(*service, platform.time, platform.time, std::function<void()>());
        options = std::make_unique<SettingsOptions>(*service, LocalizationManager::shared());
        autostart = std::make_unique<AutostartEntry>(QStringLiteral("/usr/bin/nerova-vardo"), log);
        desktop = std::make_unique<DesktopSettings>(*autostart);
        registerApplicationQmlTypes(*dashboard, *options, *desktop);
        firstStart = std::make_unique<FirstStart>(FirstStartServices{
            .service = *service,
            .timers = platform.time,
            .mainQueue = platform.time.mainQueue(),
            .backgroundQueue = platform.time.backgroundQueue(),
            .camera = platform.camera,
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

    void TearDown() override
    {
        window.reset();
        qml.reset();
        firstStart.reset();
        service.reset();
    }

    // Runs what is due on the virtual clock and what Qt has queued, until both rest.
    void settle()
    {
        for (int i = 0; i < 4; ++i) {
            platform.time.runUntilIdle();
            QCoreApplication::processEvents();
        }
    }
    void advance(double seconds)
    {
        platform.time.advanceBy(seconds);
        settle();
    }

    // The camera shows `image` for `seconds` at `fps` frames a second (one in five is
    // analysed). A webcam gives 30; fewer keep the tests quick where the rhythm does not
    // matter.
    void camera(const std::string &image, double seconds, int fps = 10)
    {
        const cv::Mat photo = cv::imread(testImage(image), cv::IMREAD_COLOR);
        ASSERT_FALSE(photo.empty()) << image;
        platform.camera.framePixels = cameraFrameFromImage(photo);
        for (int i = 0; i < static_cast<int>(seconds * fps + 0.5); ++i) {
            platform.time.advanceBy(1.0 / fps);
            platform.camera.deliverFrames(1);
            settle();
        }
    }

    QQuickItem *scene() const { return qvariant_cast<QQuickItem *>(window->window()->property("scene")); }

    // The visible item of that objectName in the window, its sheets included; null when
    // there is none.
    QQuickItem *find(const QString &objectName) const { return findIn(window->window()->contentItem(), objectName); }
    static QQuickItem *findIn(QQuickItem *root, const QString &objectName)
    {
        if (!root)
            return nullptr;
        if (root->objectName() == objectName && root->isVisible())
            return root;
        for (QQuickItem *child : root->childItems())
            if (QQuickItem *found = findIn(child, objectName))
                return found;
        return nullptr;
    }
    QString textOf(const QString &objectName) const
    {
        QQuickItem *item = find(objectName);
        return item ? item->property("text").toString() : QStringLiteral("<%1 not shown>").arg(objectName);
    }
    bool isEnabled(const QString &objectName) const
    {
        QQuickItem *item = find(objectName);
        return item && item->isEnabled();
    }
    // Scrolls every scrolling area the item is in so that the item is in view.
    static void scrollIntoView(QQuickItem *item)
    {
        for (QQuickItem *p = item->parentItem(); p; p = p->parentItem()) {
            if (!p->inherits("QQuickFlickable"))
                continue;
            auto *content = qvariant_cast<QQuickItem *>(p->property("contentItem"));
            const qreal top = item->mapToItem(content, QPointF(0, 0)).y();
            const qreal y = p->property("contentY").toReal();
            if (top < y || top + item->height() > y + p->height())
                p->setProperty("contentY", std::max<qreal>(0, top - p->height() / 3));
        }
    }
    // A real click in the middle of the item, if it is shown.
    void click(const QString &objectName)
    {
        QQuickItem *item = find(objectName);
        ASSERT_NE(item, nullptr) << objectName.toStdString() << " is not shown";
        scrollIntoView(item);
        QCoreApplication::processEvents();
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(window->window(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
        settle();
    }
    QVariant view(const char *property) const { return QQmlProperty(scene(), QLatin1String(property)).read(); }
    void setView(const char *property, const QVariant &value)
    {
        QQmlProperty(scene(), QLatin1String(property)).write(value);
        settle();
    }

    static inline FrameAnalysis *analysis = nullptr;
    QTemporaryDir home;
    SimulatedPlatform platform{startTime};
    MemoryLog memoryLog;
    RecentLogLines log{memoryLog};
    FakeSystemDescriber system;
    FakePackageOrigin packages;
    std::unique_ptr<VardoService> service;
    std::unique_ptr<QQmlEngine> qml;
    std::unique_ptr<DashboardState> dashboard;
    std::unique_ptr<SettingsOptions> options;
    std::unique_ptr<AutostartEntry> autostart;
    std::unique_ptr<DesktopSettings> desktop;
    std::unique_ptr<FirstStart> firstStart;
    std::unique_ptr<MainWindow> window;
};

} // namespace vardo::test
