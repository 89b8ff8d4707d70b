#include "app/main_window.h"

#include "platform/log_sink.h"

#include <QQmlComponent>
#include <QQmlEngine>

#include <malloc.h>

namespace vardo {

MainWindow::MainWindow(QQmlEngine &engine, LogSink &log, QObject *parent)
    : QObject(parent), engine_(engine), log_(log)
{
}

MainWindow::~MainWindow()
{
    delete window_.data();
}

bool MainWindow::create()
{
    if (window_)
        return true;
    QQmlComponent component(&engine_, QUrl(QStringLiteral("qrc:/qt/qml/NerovaVardo/App/MainWindow.qml")));
    QObject *object = component.create();
    window_ = qobject_cast<QQuickWindow *>(object);
    if (!window_) {
        delete object;
        log_.write("[Vardo] The main window could not be built: " + component.errorString().trimmed().toStdString());
        return false;
    }
    QQuickWindow *window = window_;
    connect(window, &QWindow::visibleChanged, this, [this, window](bool visible) {
        if (visible)
            emit contentShown();
        else if (window == window_)
            release();
    });
    connect(window, &QWindow::activeChanged, this, [this, window] {
        if (window->isActive())
            emit activated();
    });
    connect(window, SIGNAL(sceneShown()), this, SIGNAL(contentShown()));
    return true;
}

void MainWindow::present()
{
    if (!create())
        return;
    window_->setWindowStates(window_->windowStates() & ~Qt::WindowMinimized);
    window_->show();
    window_->raise();
    window_->requestActivate();
}

// Closed by the user: the window, its scene and its graphics go; the memory they held
// goes back to the system.
void MainWindow::release()
{
    QQuickWindow *window = window_;
    window_ = nullptr;
    connect(window, &QObject::destroyed, this, [this] {
        engine_.trimComponentCache();
        malloc_trim(0);
    });
    window->deleteLater();
}

} // namespace vardo
