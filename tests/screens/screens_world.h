#pragma once

#include "engine/vardo_service.h"
#include "localization/localization_manager.h"
#include "replay/simulated_platform.h"
#include "screens/qml_types.h"

#include <QApplication>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QtTest/QTest>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace vardo::test {

// One engine on the simulated platform, registered for QML, shared by every test of
// the executable (QML singletons are registered once per process). Never destroyed, so
// nothing depends on the order of static destruction.
struct ScreensWorld {
    SimulatedPlatform platform{1772442000.0};
    VardoService service{platform.services(), platform.modules()};
    QQmlEngine qml;

    void settle() { platform.time.runUntilIdle(); }
};

template <typename World = ScreensWorld>
World &screensWorld()
{
    static int argc = 1;
    static char name[] = "screens_tests";
    static char *argv[] = {name, nullptr};
    static QApplication *app = new QApplication(argc, argv);
    (void)app;
    static World *world = [] {
        auto *w = new World;
        registerQmlTypes(w->service, LocalizationManager::shared());
        return w;
    }();
    return *world;
}

// The wallpaper is drawn on a thread of Qt's, which must be done before this process
// (which never takes its QML engine down) may end.
inline void waitForWallpaper(QQuickView &view)
{
    if (auto *wallpaper = view.rootObject()->findChild<QQuickItem *>(QStringLiteral("wallpaper")))
        EXPECT_TRUE(QTest::qWaitFor([&] { return wallpaper->property("status").toInt() == 1; }, 20000)); // Ready
}

inline void waitForWallpapers(const std::vector<std::unique_ptr<QQuickView>> &windows)
{
    for (const auto &window : windows)
        waitForWallpaper(*window);
}

// A screen's QML in a window of its own, as the overlay shows it.
inline std::unique_ptr<QQuickView> showScreen(const char *file, QSize size = {1280, 800})
{
    auto view = std::make_unique<QQuickView>(&screensWorld().qml, nullptr);
    view->setResizeMode(QQuickView::SizeRootObjectToView);
    view->setSource(QUrl(QStringLiteral("qrc:/NerovaVardo/") + QLatin1String(file)));
    view->resize(size);
    view->show();
    view->requestActivate();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    waitForWallpaper(*view);
    return view;
}

inline QQuickItem *child(QQuickView &view, const char *objectName)
{
    return view.rootObject()->findChild<QQuickItem *>(QLatin1String(objectName));
}

// QTest types into widgets only; a window gets the characters one by one.
inline void type(QWindow *window, const char *text)
{
    for (const char *c = text; *c; ++c)
        QTest::keyClick(window, *c);
}

inline void click(QQuickView &view, QQuickItem *item)
{
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(&view, Qt::LeftButton, {}, centre.toPoint());
}

} // namespace vardo::test
