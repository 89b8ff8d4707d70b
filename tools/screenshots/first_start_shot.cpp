// vardo-first-start-shot: the first start of Nerova Vardo as a new user sees it, drawn by
// the application's own QML over a real engine on a virtual clock, whose camera shows
// photographs of the test data through the real face models. Walks the welcome screen,
// the five onboarding steps and every information sheet and saves each as PNG:
// <output-dir>/first-start-<name>-<language>.png. tools/screenshots/first-start runs it
// under Xvfb.
//
// usage: vardo-first-start-shot --language CODE --output-dir DIR --testdata DIR

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
#include "platform/fakes/memory_log.h"
#include "platform/fakes/system_probe_fakes.h"
#include "platform/recent_log_lines.h"
#include "replay/simulated_platform.h"
#include "screens/qml_types.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QQmlEngine>
#include <QQmlProperty>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTemporaryDir>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>

namespace {

using namespace vardo;

constexpr double startTime = 1772442000.0; // 2026-03-02 09:00 UTC

void waitFor(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

class Walk {
public:
    Walk(QString language, QString outputDir, QString testdata)
        : language_(std::move(language)), outputDir_(std::move(outputDir)), testdata_(std::move(testdata))
    {
    }

    bool run()
    {
        if (!start())
            return false;
        advance(3.0);
        shot("welcome");
        setView("agreedToTerms", true);
        shot("welcome-agreed");
        service_->setHasAcceptedTerms(true);
        settle();

        // The onboarding, as the dashboard's main switch opens it.
        setView("onboardingStep", 0);
        setView("showOnboarding", true);
        shot("onboarding-1-welcome");
        setView("onboardingStep", 1);
        // A 4:3 photo fills the frame without cropping.
        camera("identities/Barack_Obama/obama_small.jpg", 1.0);
        shot("onboarding-2-face");
        press();
        const char *photos[] = {"identities/Barack_Obama/obama1.jpg", "identities/Barack_Obama/obama2.jpg",
                                "identities/Barack_Obama/obama_small.jpg"};
        for (int second = 0; second < 10; ++second)
            camera(photos[second % 3], 1.0);
        camera("identities/Barack_Obama/obama_small.jpg", 0.5);
        shot("onboarding-3-learning");
        for (int second = 10; second < 45 && service_->enrollmentProgress() < 1.0; ++second)
            camera(photos[second % 3], 1.0);
        camera("identities/Barack_Obama/obama_small.jpg", 0.5);
        shot("onboarding-3-learned");
        press();
        camera("identities/Barack_Obama/obama-480p.jpg", 0.7);
        shot("onboarding-4-verified");
        press();
        shot("onboarding-5-ready");
        press();
        if (!service_->isEnabled() || QQmlProperty(scene(), QStringLiteral("showOnboarding")).read().toBool()) {
            std::cerr << "vardo-first-start-shot: the onboarding did not end with protection on\n";
            ok_ = false;
            setView("showOnboarding", false);
        }
        camera("identities/Barack_Obama/obama-480p.jpg", 1.0);

        // The information sheets over the protected dashboard.
        sheet("away-lock", "showAwayLockInfo");
        sheet("shoulder-guard", "showShoulderGuardInfo");
        setView("expandedTipsSections", QStringList{"getting_started", "video_calls"});
        sheet("tips", "showTips");
        setView("expandedSecSections", QStringList{"screen_protection", "verify"});
        sheet("security", "showSecurityInfo");
        setView("showIntegrityInfo", true);
        setView("showSecurityInfo", true);
        scrollSheet("securitySheet", 1e6);
        shot("security-integrity");
        setView("showSecurityInfo", false);
        sheet("report", "showReportProblem");
        sheet("about", "showAbout");
        setView("shownDocument", QStringLiteral("privacy"));
        shot("privacy-policy");
        setView("shownDocument", QStringLiteral("terms"));
        shot("terms-of-use");
        setView("shownDocument", QString());
        return ok_;
    }

private:
    bool start()
    {
        LocalizationManager::shared().setCurrentLanguage(language_);
        const CameraDevice device{"/dev/video0", "Integrated Camera", true};
        platform_.camera.devices = {device};
        platform_.camera.front = device;
        analysis_ = createFrameAnalysis(log_);
        service_ = std::make_unique<VardoService>(platform_.services({.log = &log_}), platform_.modules(analysis_.get()));
        settle();

        prepareQmlEngine(qml_);
        registerQmlTypes(*service_, LocalizationManager::shared());
        dashboard_ = std::make_unique<DashboardState>(*service_, platform_.time, platform_.time, std::function<void()>());
        options_ = std::make_unique<SettingsOptions>(*service_, LocalizationManager::shared());
        autostart_ = std::make_unique<AutostartEntry>(QStringLiteral("/usr/bin/nerova-vardo"), log_);
        desktop_ = std::make_unique<DesktopSettings>(*autostart_);
        registerApplicationQmlTypes(*dashboard_, *options_, *desktop_);
        // The installed files of this build, as the security sheet checks them.
        firstStart_ = std::make_unique<FirstStart>(FirstStartServices{
            .service = *service_,
            .timers = platform_.time,
            .mainQueue = platform_.time.mainQueue(),
            .backgroundQueue = platform_.time.backgroundQueue(),
            .camera = platform_.camera,
            .system = system_,
            .packages = packages_,
            .log = &log_,
            .programPath = QCoreApplication::applicationDirPath() + QStringLiteral("/../../app/nerova-vardo"),
        });
        firstStart_->registerQmlTypes();

        window_ = std::make_unique<MainWindow>(qml_, log_);
        if (!window_->create())
            return false;
        window_->window()->resize(960, 760);
        window_->present();
        waitFor(300);
        settle();
        return true;
    }

    void settle()
    {
        for (int i = 0; i < 4; ++i) {
            platform_.time.runUntilIdle();
            QCoreApplication::processEvents();
        }
    }
    void advance(double seconds)
    {
        platform_.time.advanceBy(seconds);
        settle();
    }
    // The camera shows the photograph for `seconds` at 30 frames a second.
    void camera(const char *image, double seconds)
    {
        const cv::Mat photo = cv::imread((testdata_ + QLatin1Char('/') + QLatin1String(image)).toStdString());
        if (photo.empty()) {
            std::cerr << "vardo-first-start-shot: cannot read " << image << "\n";
            ok_ = false;
            return;
        }
        // Filling the frame, as a webcam picture does; a tall photo keeps its upper part,
        // where the face is.
        const double scale = std::max(640.0 / photo.cols, 480.0 / photo.rows);
        cv::Mat scaled;
        cv::resize(photo, scaled, cv::Size(), scale, scale, cv::INTER_AREA);
        platform_.camera.framePixels =
            scaled(cv::Rect((scaled.cols - 640) / 2, (scaled.rows - 480) / 4, 640, 480)).clone();
        for (int i = 0; i < static_cast<int>(seconds * 30); ++i) {
            platform_.time.advanceBy(1.0 / 30);
            platform_.camera.deliverFrames(1);
            settle();
        }
    }

    QQuickItem *scene() const { return qvariant_cast<QQuickItem *>(window_->window()->property("scene")); }
    void setView(const char *name, const QVariant &value)
    {
        if (!QQmlProperty(scene(), QLatin1String(name)).write(value)) {
            std::cerr << "vardo-first-start-shot: the scene has no property " << name << "\n";
            ok_ = false;
        }
        settle();
    }
    // The onboarding's primary button, as a click would press it.
    void press()
    {
        QObject *sheet = scene()->findChild<QObject *>(QStringLiteral("onboardingSheet"));
        if (!sheet || !QMetaObject::invokeMethod(sheet, "pressPrimary"))
            ok_ = false;
        settle();
    }
    void scrollSheet(const char *name, qreal y)
    {
        QObject *sheet = scene()->findChild<QObject *>(QLatin1String(name));
        auto *scroller = sheet ? qvariant_cast<QQuickItem *>(sheet->property("scroller")) : nullptr;
        auto *flickable = scroller ? qvariant_cast<QQuickItem *>(scroller->property("contentItem")) : nullptr;
        if (!flickable)
            return;
        waitFor(400);
        const qreal end = flickable->property("contentHeight").toReal() - flickable->height();
        flickable->setProperty("contentY", std::max<qreal>(0, std::min(y, end)));
    }
    void sheet(const char *name, const char *flag)
    {
        setView(flag, true);
        shot(name);
        setView(flag, false);
    }
    void shot(const char *name)
    {
        // Animations (the reveal, the sheets, the ring) run on real time.
        waitFor(900);
        const QImage image = window_->window()->grabWindow();
        const QString path = QStringLiteral("%1/first-start-%2-%3.png").arg(outputDir_, QLatin1String(name), language_);
        if (image.isNull() || !image.save(path)) {
            std::cerr << "vardo-first-start-shot: could not save " << path.toStdString() << "\n";
            ok_ = false;
        }
    }

    QString language_, outputDir_, testdata_;
    bool ok_ = true;
    SimulatedPlatform platform_{startTime};
    MemoryLog memory_;
    RecentLogLines log_{memory_};
    FakeSystemDescriber system_;
    FakePackageOrigin packages_;
    std::unique_ptr<FrameAnalysis> analysis_;
    std::unique_ptr<VardoService> service_;
    QQmlEngine qml_;
    std::unique_ptr<DashboardState> dashboard_;
    std::unique_ptr<SettingsOptions> options_;
    std::unique_ptr<AutostartEntry> autostart_;
    std::unique_ptr<DesktopSettings> desktop_;
    std::unique_ptr<FirstStart> firstStart_;
    std::unique_ptr<MainWindow> window_;
};

} // namespace

int main(int argc, char **argv)
{
    QString language = QStringLiteral("en"), outputDir, testdata;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--language")
            language = QString::fromLocal8Bit(argv[i + 1]);
        else if (arg == "--output-dir")
            outputDir = QString::fromLocal8Bit(argv[i + 1]);
        else if (arg == "--testdata")
            testdata = QString::fromLocal8Bit(argv[i + 1]);
    }
    if (outputDir.isEmpty() || testdata.isEmpty() || argc % 2 == 0) {
        std::cerr << "usage: vardo-first-start-shot --language CODE --output-dir DIR --testdata DIR\n";
        return 2;
    }
    // Dates must not depend on where the shots are taken; the start-at-login switch reads
    // a folder of its own.
    setenv("TZ", "UTC", 1);
    tzset();
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QQuickStyle::setStyle(QStringLiteral("Fusion"));
    QApplication app(argc, argv);
    QDir().mkpath(outputDir);
    Walk walk(language, outputDir, testdata);
    return walk.run() ? 0 : 1;
}
