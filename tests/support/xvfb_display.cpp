#include "tests/support/xvfb_display.h"

#include <csignal>
#include <sys/prctl.h>

namespace vardo::test {

namespace {

constexpr int startTimeoutMs = 30000;

} // namespace

XvfbDisplay::XvfbDisplay()
{
    // -displayfd: the server takes a free display number and writes it to standard output
    // once it accepts connections.
    server_.setProgram(QStringLiteral("Xvfb"));
    server_.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                          QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                          QStringLiteral("tcp"), QStringLiteral("-noreset")});
    server_.setProcessChannelMode(QProcess::SeparateChannels);
    // The server goes with the test, also when the test is killed.
    server_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    server_.start();
    if (!server_.waitForStarted(startTimeoutMs)) {
        error_ = QStringLiteral("Xvfb did not start (Debian package xvfb): ") + server_.errorString();
        return;
    }
    while (!server_.canReadLine()) {
        if (!server_.waitForReadyRead(startTimeoutMs)) {
            error_ = QStringLiteral("Xvfb printed no display number: ")
                     + QString::fromLocal8Bit(server_.readAllStandardError());
            return;
        }
    }
    const QString number = QString::fromLocal8Bit(server_.readLine()).trimmed();
    if (!number.isEmpty())
        display_ = QLatin1Char(':') + number;
}

XvfbDisplay::~XvfbDisplay()
{
    if (server_.state() != QProcess::NotRunning) {
        server_.terminate();
        if (!server_.waitForFinished(startTimeoutMs))
            server_.kill();
        server_.waitForFinished(startTimeoutMs);
    }
}

} // namespace vardo::test
