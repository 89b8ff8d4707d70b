// First start through the real main window over the engine, with real photographs
// through the real models.

#include "tests/app/main_window_world.h"

#include "app/onboarding_rules.h"
#include "engine/frame_analysis_factory.h"
#include "platform/camera_frame.h"
#include "recognition/embedding_codec.h"

#include <QClipboard>
#include <QFile>

#include <opencv2/imgcodecs.hpp>

#include <charconv>
#include <cstdio>

namespace vardo::test {
namespace {

constexpr const char *owner1 = "identities/Barack_Obama/obama1.jpg";
constexpr const char *owner2 = "identities/Barack_Obama/obama2.jpg";
constexpr const char *owner3 = "identities/Barack_Obama/obama_small.jpg";
constexpr const char *ownerUnseen = "identities/Barack_Obama/obama-480p.jpg";

class FirstStartRoad : public ::testing::Test, public MainWindowWorld {
protected:
    static constexpr double startTime = 1772442000.0; // 2026-03-02 09:00:00 UTC

    static void SetUpTestSuite()
    {
        // One analyser for every test of the process: the models load once.
        static MemoryLog modelLog;
        static std::unique_ptr<FrameAnalysis> loaded = createFrameAnalysis(modelLog);
        analysis = loaded.get();
    }

    FirstStartRoad() { platform = &simulated; }

    // The engine starts with the settings and camera access set on `platform` before.
    void startWindow()
    {
        const CameraDevice camera{"/dev/video0", "Integrated Camera", true};
        simulated.camera.devices = {camera};
        simulated.camera.front = camera;
        engine = std::make_unique<VardoService>(simulated.services({.log = &log}), simulated.modules(analysis));
        settle();
        open(*engine, simulated, log);
    }

    void TearDown() override
    {
        close();
        engine.reset();
    }

    // A webcam gives 30 frames a second; fewer keep the tests quick where the rhythm does not matter.
    void camera(const char *image, double seconds, int fps = 10)
    {
        const cv::Mat photo = cv::imread(std::string(VARDO_TESTDATA_DIR "/") + image, cv::IMREAD_COLOR);
        ASSERT_FALSE(photo.empty()) << image;
        simulated.camera.framePixels = cameraFrameFromImage(photo);
        for (int i = 0; i < static_cast<int>(seconds * fps + 0.5); ++i) {
            simulated.time.advanceBy(1.0 / fps);
            simulated.camera.deliverFrames(1);
            settle();
        }
    }

    QObject *sheet(const char *objectName) const { return scene()->findChild<QObject *>(QLatin1String(objectName)); }
    bool onboardingShown() const { return view("showOnboarding").toBool(); }
    int step() const { return view("onboardingStep").toInt(); }

    void learnTheFace(int fps = 10)
    {
        const char *photos[] = {owner1, owner2, owner3};
        for (int second = 0; second < 45 && service->isEnrolling() && service->enrollmentProgress() < 1.0; ++second)
            camera(photos[second % 3], 1.0, fps);
    }

    static inline FrameAnalysis *analysis = nullptr;
    SimulatedPlatform simulated{startTime};
    MemoryLog memoryLog;
    RecentLogLines log{memoryLog};
    std::unique_ptr<VardoService> engine;
};

// Truncated, never rounded up: 0.57 * 100 is 56.99999...
TEST(OnboardingPercent, IsTheWholePartOfTheFraction)
{
    for (const auto &[fraction, percent] :
         {std::pair{0.876, 87}, {0.57, 57}, {0.28, 28}, {0.999, 99}, {1.0, 100}, {0.0, 0}})
        EXPECT_EQ(wholePercent(fraction), percent) << fraction;
}

// Get Started waits for the tick throughout the welcome's reveal; then the user acts the
// moment a button can be pressed, the camera at 30 frames a second as a webcam gives.
TEST_F(FirstStartRoad, NewUserReachesProtectionThroughTheInterface)
{
    startWindow();
    const double firstStart = platform->time.now();
    for (double at : {0.0, 0.5, 1.0, 1.6, 2.1, 2.8}) { // each line of the reveal
        SCOPED_TRACE(at);
        platform->time.advanceTo(firstStart + at + 0.002);
        settle();
        // Neither the box before the agreement has appeared nor the disabled button accepts.
        if (!view("showBottom").toBool())
            click("agreeToTerms");
        EXPECT_FALSE(isEnabled("getStarted"));
        click("getStarted");
        EXPECT_FALSE(service->hasAcceptedTerms());
    }
    ASSERT_TRUE(view("showBottom").toBool());

    click("agreeToTerms");
    click("agreeToTerms");
    EXPECT_FALSE(isEnabled("getStarted")); // ticked off again
    click("agreeToTerms");
    click("getStarted");
    EXPECT_TRUE(platform->defaults.boolean("vardo_terms_accepted"));

    click("mainSwitch");
    ASSERT_TRUE(onboardingShown());
    EXPECT_EQ(step(), 0);
    click("onboardingPrimary");
    EXPECT_EQ(step(), 1);
    EXPECT_TRUE(service->isMonitoring()) << "the sheet starts the camera";

    // Step 1: nobody there yet, then the owner.
    EXPECT_FALSE(isEnabled("onboardingPrimary"));
    camera(owner1, 1.0, 30);
    EXPECT_EQ(text("onboardingTitle"), "Face detected");
    ASSERT_TRUE(visible("cameraPreview"));
    EXPECT_TRUE(shown("cameraPreview")->property("hasPicture").toBool()) << "the engine's own frames are shown";
    EXPECT_EQ(service->cameraPreview()->viewerCount(), 1);

    // Step 2: learning, the button held until the face is learned.
    click("onboardingPrimary");
    EXPECT_EQ(step(), 2);
    EXPECT_TRUE(service->isEnrolling());
    camera(owner2, 3.0, 30);
    ASSERT_GT(service->enrollmentProgress(), 0.0);
    ASSERT_LT(service->enrollmentProgress(), 1.0);
    EXPECT_EQ(text("learningPercent"), QString::number(wholePercent(service->enrollmentProgress())) + "%");
    EXPECT_FALSE(isEnabled("onboardingPrimary"));
    click("onboardingPrimary");
    EXPECT_EQ(step(), 2);
    learnTheFace(30);
    EXPECT_TRUE(service->isOwnerEnrolled());
    EXPECT_EQ(text("onboardingTitle"), "Face learned");

    // Step 3: a photo that was never learned is recognised.
    click("onboardingPrimary");
    EXPECT_EQ(step(), 3);
    camera(ownerUnseen, 0.6, 30);
    ASSERT_TRUE(service->ownerRecognized());
    const int confidence = wholePercent(service->lastMatchConfidence());
    EXPECT_EQ(text("onboardingSubtitle"), QStringLiteral("Recognized with %1% confidence.").arg(confidence));
    EXPECT_EQ(text("previewBadge"), QStringLiteral("%1% match").arg(confidence));

    // Step 4: protection on.
    click("onboardingPrimary");
    EXPECT_EQ(step(), 4);
    click("onboardingPrimary");
    EXPECT_FALSE(onboardingShown());
    EXPECT_TRUE(platform->defaults.boolean("vardo_onboarding_done"));
    EXPECT_TRUE(platform->defaults.boolean("vardo_enabled"));
    EXPECT_EQ(service->cameraPreview()->viewerCount(), 0) << "the closed sheet no longer has frames decoded";

    std::printf("first start to protected: %.1f s on the virtual clock\n", platform->time.now() - firstStart);
}

// Without an enrolled face the sheet cannot be skipped; cancelled while learning, it
// stores nothing and gives the camera back.
TEST_F(FirstStartRoad, SkipDoesNothingAndCancelWhileLearningStopsTheEnrolment)
{
    platform->defaults.setBool("vardo_terms_accepted", true);
    startWindow();
    click("mainSwitch");
    ASSERT_TRUE(onboardingShown());
    EXPECT_FALSE(visible("onboardingSkip"));
    QMetaObject::invokeMethod(sheet("onboardingSheet"), "skip");
    settle();
    EXPECT_TRUE(onboardingShown());
    EXPECT_FALSE(service->hasCompletedOnboarding());
    EXPECT_FALSE(service->isEnabled());

    click("onboardingPrimary");
    camera(owner1, 1.0);
    ASSERT_TRUE(service->faceDetected());
    click("onboardingPrimary");
    camera(owner2, 4.0);
    ASSERT_TRUE(service->isEnrolling());
    ASSERT_GT(service->enrollmentProgress(), 0.0);
    // Escape does not close the sheet while the face is being learned.
    QTest::keyClick(quickWindow(), Qt::Key_Escape);
    settle();
    EXPECT_TRUE(onboardingShown());

    click("onboardingCancel");
    EXPECT_FALSE(onboardingShown());
    EXPECT_FALSE(platform->secrets.item(VardoService::keychainKey, "owner").has_value());
    EXPECT_FALSE(platform->camera.isRunning());
    camera(owner1, 2.0);
    EXPECT_DOUBLE_EQ(service->enrollmentProgress(), 0.0);
}

// Onboarding done, no face, the camera denied on a desktop without a privacy page.
TEST_F(FirstStartRoad, SheetsOpenAndCloseAndTheDeniedCameraIsSaidOnTheFaceStep)
{
    platform->defaults.setBool("vardo_terms_accepted", true);
    platform->defaults.setBool("vardo_onboarding_done", true);
    platform->camera.access = CameraAuthorization::denied;
    desktopHasPrivacyPage = false;
    startWindow();
    const struct {
        const char *opener, *sheet, *flag;
    } sheets[] = {
        {"info_showAwayLockInfo", "awayLockInfo", "showAwayLockInfo"},
        {"info_showShoulderGuardInfo", "shoulderGuardInfo", "showShoulderGuardInfo"},
        {"tipsCard", "tipsSheet", "showTips"},
        {"securityCard", "securitySheet", "showSecurityInfo"},
        {"footerReport", "reportSheet", "showReportProblem"},
        {"footerAbout", "aboutSheet", "showAbout"},
    };
    for (const auto &s : sheets) {
        SCOPED_TRACE(s.sheet);
        click(s.opener);
        QObject *popup = sheet(s.sheet);
        ASSERT_NE(popup, nullptr);
        EXPECT_TRUE(popup->property("visible").toBool());
        click(QString::fromLatin1(s.sheet) + "Close");
        EXPECT_FALSE(view(s.flag).toBool());
        EXPECT_FALSE(popup->property("visible").toBool());
    }
    // Nothing links to an address the project does not own.
    EXPECT_FALSE(visible("footerReview"));

    // Open sections stay open across closing; each sheet keeps its own.
    click("tipsCard");
    click("sectionHeader_office");
    click("sectionHeader_battery");
    click("sectionHeader_office");
    click("tipsSheetClose");
    click("tipsCard");
    EXPECT_EQ(view("expandedTipsSections").toStringList(), QStringList({"battery"}));
    click("tipsSheetClose");
    click("securityCard");
    click("sectionHeader_verify");
    EXPECT_EQ(view("expandedSecSections").toStringList(), QStringList({"verify"}));
    EXPECT_EQ(view("expandedTipsSections").toStringList(), QStringList({"battery"}));
    click("securitySheetClose");

    // The settings' button opens the sheet at the face step, which says what to do.
    click("enrollFace");
    ASSERT_TRUE(onboardingShown());
    ASSERT_EQ(step(), 1);
    EXPECT_EQ(text("onboardingLine"), "Nerova Vardo isn't allowed to use the camera.");
    EXPECT_TRUE(visible("cameraDeniedHelp"));
    EXPECT_FALSE(isEnabled("onboardingPrimary"));
}

TEST_F(FirstStartRoad, ProblemReportHoldsNoFaceData)
{
    platform->defaults.setBool("vardo_terms_accepted", true);
    platform->defaults.setBool("vardo_intruder_enabled", true);
    startWindow();
    // An enrolled face, learned from real photographs, in the keyring.
    service->ensureCameraRunning();
    settle();
    service->startEnrollment();
    learnTheFace();
    ASSERT_TRUE(service->isOwnerEnrolled());
    const auto stored = platform->secrets.item(VardoService::keychainKey, "owner");
    ASSERT_TRUE(stored.has_value());
    // An intruder photo on disk and in the history.
    QTemporaryDir photoFolder;
    const QString photo = photoFolder.filePath(QStringLiteral("intruder-2026-03-02-09000.png"));
    QFile file(photo);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg=="));
    file.close();
    service->intruderHistoryModel()->append(IntruderPhoto{QUuid::createUuid(), photo, startTime});

    click("footerReport");
    click("copyReport");
    const QString report = QGuiApplication::clipboard()->text();
    EXPECT_EQ(report, firstStart->report.text());
    EXPECT_EQ(text("reportState"), "Copied. Paste it into your message when you ask for help.");

    for (const char *part : {"Distribution: Debian GNU/Linux 12", "Session: x11, desktop GNOME",
                             "/dev/video0  Integrated Camera", "face set up: yes", "face_embedding.onnx",
                             "[FaceID] Enrollment complete"})
        EXPECT_TRUE(report.contains(QLatin1String(part))) << part << "\n" << report.toStdString();

    // What it must never hold: the embeddings (in any spelling of their numbers), the
    // stored set, the photos or their names.
    const auto set = decodeEmbeddings(*stored);
    ASSERT_TRUE(set.has_value());
    for (const auto &embedding : *set)
        for (int i = 0; i < 8; ++i) {
            char shortest[32];
            const auto end = std::to_chars(shortest, shortest + sizeof shortest, embedding[i]).ptr;
            const QString spelled[] = {QString::fromLatin1(shortest, end - shortest),
                                       QString::number(embedding[i], 'f', 5), QString::number(embedding[i], 'g', 6)};
            for (const QString &text : spelled)
                EXPECT_FALSE(text.size() > 5 && report.contains(text)) << text.toStdString();
        }
    EXPECT_FALSE(report.contains(QString::fromUtf8(reinterpret_cast<const char *>(stored->data()), 40)));
    EXPECT_FALSE(report.contains(QLatin1String("iVBORw0KGgo")));
    EXPECT_FALSE(report.contains(QLatin1String("intruder-2026")));
    EXPECT_FALSE(report.contains(photoFolder.path()));
    EXPECT_LT(report.size(), 8000);
}

} // namespace
} // namespace vardo::test
