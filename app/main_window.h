#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickWindow>

class QQmlEngine;

namespace vardo {

class LogSink;

// The main window "Nerova Vardo" (MainWindow.qml) in the process's one QML engine. It
// is built when it is shown and taken down when the user closes it: the application
// goes on in the tray without the memory of a hidden scene, and the next showing starts
// with a fresh view, as a reopened window does.
class MainWindow final : public QObject {
    Q_OBJECT

public:
    MainWindow(QQmlEngine &engine, LogSink &log, QObject *parent = nullptr);
    ~MainWindow() override;

    // Builds the window without showing it (present() does both). False when the QML
    // cannot be loaded; the log then says why.
    bool create();

    // Shows the window (building it if need be), out of the taskbar's minimised state,
    // raised and asked for the keyboard focus.
    void present();

    // The window while it exists.
    QQuickWindow *window() const { return window_; }

signals:
    // The window's content was shown anew: at every showing and after every rebuild
    // of its scene (a change of language).
    void contentShown();
    // The window became the active window.
    void activated();

private:
    void release();

    QQmlEngine &engine_;
    LogSink &log_;
    QPointer<QQuickWindow> window_;
};

} // namespace vardo
