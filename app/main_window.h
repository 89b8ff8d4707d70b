#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickWindow>

class QQmlEngine;

namespace vardo {

class LogSink;

// The main window "Nerova Vardo" (MainWindow.qml): created hidden in the process's one
// QML engine, shown at launch, hidden (not destroyed) when the user closes it, and
// brought back by the tray menu or a second start.
class MainWindow final : public QObject {
    Q_OBJECT

public:
    MainWindow(QQmlEngine &engine, LogSink &log, QObject *parent = nullptr);
    ~MainWindow() override;

    // Builds the window without showing it. False when the QML cannot be loaded; the
    // log then says why.
    bool create();

    // Shows the window, out of the taskbar's minimised state, raised and asked for the
    // keyboard focus.
    void present();

    QQuickWindow *window() const { return window_; }

signals:
    // The window's content was shown anew: at every showing and after every rebuild
    // of its scene (a change of language).
    void contentShown();

private:
    QQmlEngine &engine_;
    LogSink &log_;
    QPointer<QQuickWindow> window_;
};

} // namespace vardo
