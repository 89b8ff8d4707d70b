#include "screens/screen_changes.h"

#include <QGuiApplication>
#include <QScreen>

#include <memory>

namespace vardo {

namespace {

void watchScreen(QScreen *screen, QObject *context, const std::shared_ptr<std::function<void()>> &changed)
{
    QObject::connect(screen, &QScreen::geometryChanged, context, [changed] { (*changed)(); });
}

} // namespace

void watchScreenChanges(QObject *context, std::function<void()> changed)
{
    auto shared = std::make_shared<std::function<void()>>(std::move(changed));
    for (QScreen *screen : QGuiApplication::screens())
        watchScreen(screen, context, shared);
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, context, [context, shared](QScreen *screen) {
        watchScreen(screen, context, shared);
        (*shared)();
    });
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, context, [shared] { (*shared)(); });
}

} // namespace vardo
