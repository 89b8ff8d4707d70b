#pragma once

#include <QProcess>
#include <QString>

namespace vardo::test {

// An X server of the test's own (Xvfb on a display number the server picks itself), so
// windows and tray icons never reach the user's desktop. It ends with the object.
class XvfbDisplay {
public:
    XvfbDisplay();
    ~XvfbDisplay();

    XvfbDisplay(const XvfbDisplay &) = delete;
    XvfbDisplay &operator=(const XvfbDisplay &) = delete;

    bool ok() const { return !display_.isEmpty(); }
    const QString &error() const { return error_; }
    // ":N", for DISPLAY.
    const QString &display() const { return display_; }

private:
    QProcess server_;
    QString display_;
    QString error_;
};

} // namespace vardo::test
