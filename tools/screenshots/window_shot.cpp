// vardo-window-shot: the main window of Nerova Vardo, drawn by the application's own QML
// over a real engine that a replay scenario has put into a known state, saved as PNG.
// The screenshot scripts under tools/screenshots/ run it under Xvfb.
//
// usage: vardo-window-shot --scenario FILE --output PNG [--language CODE] [--size WxH]
//                          [--scroll-left PX] [--scroll-right PX] [--scroll-right-to ITEM]
//                          [--view NAME=VALUE]...
//   --scroll-right-to scrolls the right column until the item of that objectName is at
//   its top (e.g. "statistics").
//   --view sets a property of the scene (ContentView or WelcomeView) before the shot,
//   e.g. --view showAllEvents=true --view showResetFaceConfirm=true.

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
#include "platform/fakes/system_probe_fakes.h"
#include "platform/task_queue_qt.h"
#include "platform/timers_qt.h"
#include "platform/log_sink.h"
#include "replay/replay_runner.h"
#include "screens/qml_types.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QQmlEngine>
#include <QQmlProperty>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>

namespace {

struct Options {
    std::string scenario;
    QString output;
    QString language = QStringLiteral("en");
    QSize size{960, 760};
    int scrollLeft = 0;
    int scrollRight = 0;
    QString scrollRightTo;
    QList<QPair<QString, QString>> view;
};

class StderrLog final : public vardo::LogSink {
public:
    void write(std::string_view line) override { std::cerr << line << "\n"; }
};

bool parse(int argc, char **argv, Options &o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--scenario" && hasValue)
            o.scenario = argv[++i];
        else if (arg == "--output" && hasValue)
            o.output = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--language" && hasValue)
            o.language = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--scroll-left" && hasValue)
            o.scrollLeft = std::atoi(argv[++i]);
        else if (arg == "--scroll-right" && hasValue)
            o.scrollRight = std::atoi(argv[++i]);
        else if (arg == "--scroll-right-to" && hasValue)
            o.scrollRightTo = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--size" && hasValue) {
            const QStringList parts = QString::fromLocal8Bit(argv[++i]).split(QLatin1Char('x'));
            if (parts.size() != 2)
                return false;
            o.size = QSize(parts[0].toInt(), parts[1].toInt());
        } else if (arg == "--view" && hasValue) {
            const QString assignment = QString::fromLocal8Bit(argv[++i]);
            const qsizetype eq = assignment.indexOf(QLatin1Char('='));
            if (eq <= 0)
                return false;
            o.view.append({assignment.left(eq), assignment.mid(eq + 1)});
        } else
            return false;
    }
    return !o.scenario.empty() && !o.output.isEmpty();
}

void waitFor(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

QQuickItem *flickableOf(QQuickItem *scene, const char *column)
{
    auto *scrollView = scene ? scene->findChild<QQuickItem *>(QLatin1String(column)) : nullptr;
    return scrollView ? qvariant_cast<QQuickItem *>(scrollView->property("contentItem")) : nullptr;
}

void scroll(QQuickItem *scene, const char *column, int pixels)
{
    if (QQuickItem *flickable = flickableOf(scene, column); flickable && pixels != 0)
        flickable->setProperty("contentY", pixels);
}

bool scrollTo(QQuickItem *scene, const char *column, const QString &name)
{
    QQuickItem *flickable = flickableOf(scene, column);
    auto *item = scene ? scene->findChild<QQuickItem *>(name) : nullptr;
    if (!flickable || !item)
        return false;
    auto *content = qvariant_cast<QQuickItem *>(flickable->property("contentItem"));
    const double top = item->mapToItem(content, QPointF(0, 0)).y() - 16;
    const double most = flickable->property("contentHeight").toDouble() - flickable->height();
    flickable->setProperty("contentY", std::clamp(top, 0.0, std::max(0.0, most)));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::cerr << "usage: vardo-window-shot --scenario FILE --output PNG [--language CODE] [--size WxH]\n"
                     "                         [--scroll-left PX] [--scroll-right PX] [--scroll-right-to ITEM]\n"
                     "                         [--view NAME=VALUE]...\n";
        return 2;
    }
    // Dates in the scene must not depend on where the shot is taken.
    setenv("TZ", "UTC", 1);
    tzset();
    // The start-at-login switch reads a folder of its own, never the user's.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());

    QQuickStyle::setStyle(QStringLiteral("Fusion"));
    QApplication app(argc, argv);
    StderrLog log;
    vardo::MemoryDefaultsStore settings;
    vardo::LocalizationManager::setSharedStore(&settings);

    std::ifstream scenario(options.scenario);
    if (!scenario) {
        std::cerr << "vardo-window-shot: cannot read " << options.scenario << "\n";
        return 2;
    }
    vardo::ScenarioReplay replay(settings, log,
                                 QFileInfo(QString::fromStdString(options.scenario)).absolutePath().toStdString());
    if (!replay.run(scenario)) {
        std::cerr << "vardo-window-shot: " << options.scenario << ":" << replay.errorLine() << ": " << replay.error()
                  << "\n";
        return 2;
    }
    replay.finish();
    vardo::VardoService &service = *replay.service();
    vardo::SimulatedPlatform &platform = *replay.platform();
    vardo::LocalizationManager::shared().setCurrentLanguage(options.language);

    QQmlEngine qml;
    vardo::prepareQmlEngine(qml);
    vardo::registerQmlTypes(service, vardo::LocalizationManager::shared());
    vardo::DashboardState dashboard(service, platform.time, platform.time, [] {});
    vardo::SettingsOptions pickers(service, vardo::LocalizationManager::shared());
    vardo::AutostartEntry autostart(QStringLiteral("/usr/bin/nerova-vardo"), log);
    vardo::DesktopSettings desktop(autostart);
    vardo::registerApplicationQmlTypes(dashboard, pickers, desktop);
    vardo::FakeSystemDescriber system;
    vardo::FakePackageOrigin packages;
    // The welcome screen's reveal and the check of the installed files run on the real
    // event loop here: the shot waits for them.
    vardo::QtTimers revealTimers;
    vardo::QtEventLoopQueue eventLoop(&app);
    vardo::FirstStart firstStart({service, revealTimers, eventLoop, eventLoop,
                                  platform.camera, system, packages, nullptr,
                                  QStringLiteral("/usr/bin/nerova-vardo")});
    firstStart.registerQmlTypes();

    vardo::MainWindow window(qml, log);
    if (!window.create())
        return 1;
    QQuickWindow *quickWindow = window.window();
    quickWindow->resize(options.size);
    window.present();
    waitFor(300);

    auto *scene = qvariant_cast<QQuickItem *>(quickWindow->property("scene"));
    for (const auto &[name, value] : options.view) {
        if (!scene || !QQmlProperty(scene, name).isValid()) {
            std::cerr << "vardo-window-shot: the scene has no property " << name.toStdString() << "\n";
            return 2;
        }
        QQmlProperty(scene, name).write(QVariant(value));
    }
    waitFor(300);
    scroll(scene, "leftColumn", options.scrollLeft);
    scroll(scene, "rightColumn", options.scrollRight);
    if (!options.scrollRightTo.isEmpty() && !scrollTo(scene, "rightColumn", options.scrollRightTo)) {
        std::cerr << "vardo-window-shot: no item " << options.scrollRightTo.toStdString() << " in the right column\n";
        return 2;
    }
    // Artwork loads asynchronously and popups animate in.
    waitFor(900);

    const QImage image = quickWindow->grabWindow();
    QDir().mkpath(QFileInfo(options.output).absolutePath());
    if (image.isNull() || !image.save(options.output)) {
        std::cerr << "vardo-window-shot: could not save " << options.output.toStdString() << "\n";
        return 1;
    }
    return 0;
}
