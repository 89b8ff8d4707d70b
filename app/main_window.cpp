#include "app/main_window.h"

#include "platform/log_sink.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>

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
    QQmlComponent component(&engine_, QUrl(QStringLiteral("qrc:/qt/qml/NerovaVardo/App/MainWindow.qml")));
    QObject *object = component.create();
    window_ = qobject_cast<QQuickWindow *>(object);
    if (!window_) {
        delete object;
        log_.write("[Vardo] The main window could not be built: " + component.errorString().trimmed().toStdString());
        return false;
    }
    connect(window_, &QWindow::visibleChanged, this, [this](bool visible) {
        if (visible)
            emit contentShown();
    });
    connect(window_, SIGNAL(sceneShown()), this, SIGNAL(contentShown()));
    return true;
}

void MainWindow::present()
{
    if (!window_)
        return;
    window_->setWindowStates(window_->windowStates() & ~Qt::WindowMinimized);
    window_->show();
    window_->raise();
    window_->requestActivate();
}

} // namespace vardo
