// The dashboard's and the settings' rules where the user sees them, over a real engine
// driven by replay lines.

#include "app/view_rules.h"
#include "replay/replay_runner.h"
#include "tests/app/main_window_world.h"

#include <QDateTime>

#include <initializer_list>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

namespace vardo {
namespace {

class InterfaceWorld : public test::MainWindowWorld {
public:
    explicit InterfaceWorld(std::initializer_list<const char *> setUp)
    {
        int number = 0;
        for (const char *line : setUp)
            EXPECT_TRUE(replay_.runLine(line, ++number)) << line << ": " << replay_.error();
        replay_.finish();
        open(*replay_.service(), *replay_.platform(), log_);
    }
    ~InterfaceWorld() { close(); }

    void run(const std::string &line)
    {
        EXPECT_TRUE(replay_.runLine(line, ++lineNumber_)) << line << ": " << replay_.error();
        settle();
    }

    MemoryDefaultsStore settings;

private:
    MemoryLog memoryLog_;
    RecentLogLines log_{memoryLog_};
    ScenarioReplay replay_{settings, log_};
    int lineNumber_ = 100;
};

QString text(const char *key)
{
    return QString::fromStdString(localized(key));
}

std::string at(double t, const std::string &action)
{
    return R"({"t":)" + std::to_string(t) + "," + action + "}";
}

constexpr const char *owner = R"({"who":"owner"})";
constexpr const char *stranger = R"({"who":"stranger"})";
constexpr const char *setUpDone = R"({"t":0,"defaults":{"vardo_onboarding_done":true,"vardo_terms_accepted":true}})";
constexpr const char *enrolled = R"({"t":0,"enrolled":"owner"})";

std::string frame(double t, std::initializer_list<const char *> faces)
{
    std::string list;
    for (const char *face : faces)
        list += (list.empty() ? "" : ",") + std::string(face);
    return at(t, R"("frame":{"faces":[)" + list + "]}");
}

struct Shown {
    const char *titleKey, *colour, *menuKey, *menuColour;
};

void expectStatus(InterfaceWorld &world, const Shown &expected)
{
    SCOPED_TRACE(expected.titleKey);
    EXPECT_EQ(world.text("statusTitle"), text(expected.titleKey));
    EXPECT_EQ(world.dashboard->statusColor(), QLatin1String(expected.colour));
    EXPECT_EQ(world.dashboard->menuStatusText(), text(expected.menuKey));
    EXPECT_EQ(world.dashboard->menuStatusColor(), QLatin1String(expected.menuColour));
}

TEST(DashboardView, BothStatusMappingsFollowTheEngineThroughTheDay)
{
    InterfaceWorld world({setUpDone, enrolled});
    expectStatus(world, {"status.vardo_off", "grey", "menu.disabled", "grey"});
    EXPECT_EQ(world.text("statusSubline"), text("status.sub.enable"));

    world.run(at(1, R"("set":{"stealthModeEnabled":true})"));
    expectStatus(world, {"status.guard_only", "blue", "menu.disabled", "grey"});
    world.run(at(2, R"("set":{"stealthModeEnabled":false})"));

    world.run(at(3, R"("call":"setProtectionEnabled","args":[true])"));
    expectStatus(world, {"status.starting", "yellow", "menu.no_face", "orange"});
    for (double t : {3.25, 3.5, 3.75})
        world.run(frame(t, {owner}));
    expectStatus(world, {"status.protected", "green", "menu.protected", "green"});
    EXPECT_FALSE(world.visible("countdownRow"));

    world.run(frame(5, {}));
    expectStatus(world, {"status.no_face", "orange", "menu.no_face", "orange"});
    world.run(at(9, R"("dump":true)"));
    EXPECT_EQ(world.text("countdownRow"), QString::fromStdString(localizedFormat("status.locking_in", qint64(6))));
    world.run(at(15, R"("dump":true)"));
    expectStatus(world, {"status.screen_locked", "red", "menu.no_face", "orange"});
    EXPECT_FALSE(world.visible("countdownRow"));

    world.run(frame(16, {stranger}));
    expectStatus(world, {"status.screen_locked", "red", "menu.unknown_face", "red"});
    // At the lock the owner's first frames show the texture check a live face.
    for (double t : {16.25, 16.5, 16.75, 17.0, 17.25, 17.5})
        world.run(frame(t, {owner}));
    expectStatus(world, {"status.protected", "green", "menu.protected", "green"});

    world.run(at(18, R"("set":{"stealthModeEnabled":true})"));
    for (double t = 18.25; t <= 21.0; t += 0.25)
        world.run(frame(t, {owner, stranger}));
    expectStatus(world, {"status.shoulder_guard", "orange", "menu.protected", "green"});
    EXPECT_EQ(world.text("statusSubline"), QString::fromStdString(localizedFormat("status.sub.hidden", qint64(2))));
}

// Without a face the main switch checks the camera first (each problem named, only a
// denied camera offered the privacy page), then the onboarding, and never switches.
TEST(DashboardView, TheMainSwitchChecksTheCameraThenTheSetUpBeforeSwitching)
{
    InterfaceWorld world({R"({"t":0,"defaults":{"vardo_terms_accepted":true}})"});
    expectStatus(world, {"status.vardo_off", "grey", "menu.not_setup", "grey"});
    FakeCamera &camera = world.platform->camera;
    const auto devices = camera.devices;
    const struct {
        CameraAuthorization access;
        bool plugged;
        const char *titleKey;
    } problems[] = {{CameraAuthorization::restricted, true, "camera.access_restricted"},
                    {CameraAuthorization::authorized, false, "camera.no_camera"},
                    {CameraAuthorization::denied, true, "camera.access_required"}};
    for (const auto &problem : problems) {
        SCOPED_TRACE(problem.titleKey);
        camera.access = problem.access;
        camera.devices = problem.plugged ? devices : decltype(devices){};
        world.click("mainSwitch");
        EXPECT_EQ(world.text("cameraCardTitle"), text(problem.titleKey));
        EXPECT_EQ(world.visible("openCameraSettings"), problem.access == CameraAuthorization::denied);
        EXPECT_FALSE(world.view("showOnboarding").toBool());
    }
    world.click("openCameraSettings");
    EXPECT_EQ(world.privacyPagesOpened, 1);

    camera.access = CameraAuthorization::authorized;
    world.click("mainSwitch");
    EXPECT_TRUE(world.view("showOnboarding").toBool());
    EXPECT_EQ(world.view("onboardingStep").toInt(), 0);
    world.setView("showOnboarding", false);

    world.run(at(1, R"("set":{"hasCompletedOnboarding":true})"));
    world.click("mainSwitch");
    EXPECT_EQ(world.view("onboardingStep").toInt(), 1);
    world.run(at(2, R"("dump":true)"));
    EXPECT_TRUE(world.service->hasCaptureSession());
    EXPECT_FALSE(world.service->isEnabled());
}

// With a face, the main switch and the settings' face switch both switch protection and
// mirror each other; a camera held elsewhere is named until it comes free.
TEST(DashboardView, WithAFaceBothSwitchesSwitchProtection)
{
    InterfaceWorld world({setUpDone, enrolled});
    world.click("mainSwitch");
    world.run(at(1, R"("dump":true)"));
    EXPECT_TRUE(world.service->isEnabled());
    EXPECT_EQ(world.text("mainSwitch"), text("toggle.disable"));
    EXPECT_TRUE(world.read("faceSwitch", "checked").toBool());
    EXPECT_FALSE(world.view("showOnboarding").toBool());
    EXPECT_FALSE(world.visible("cameraCard"));
    world.click("mainSwitch");
    world.run(at(2, R"("dump":true)"));
    EXPECT_FALSE(world.read("faceSwitch", "checked").toBool());

    world.platform->camera.inputFails = true;
    world.click("faceSwitch");
    world.run(at(3, R"("dump":true)"));
    EXPECT_TRUE(world.service->isEnabled());
    EXPECT_EQ(world.settings.objectBool("vardo_enabled"), true);
    EXPECT_EQ(world.text("cameraCardTitle"), text("camera.unavailable"));

    world.platform->camera.inputFails = false;
    world.run(at(4, R"("call":"setProtectionEnabled","args":[false])"));
    world.run(at(5, R"("call":"setProtectionEnabled","args":[true])"));
    EXPECT_FALSE(world.visible("cameraCard"));
}

TEST(DashboardView, ProtectedTimeAndEventAgesRead)
{
    test::ensureApplication();
    LocalizationManager::shared().setCurrentLanguage("en");
    const struct {
        double seconds;
        const char *protectedTime, *age;
    } cases[] = {{59.9, "<1m", "Just now"}, {60, "1m", "1 min ago"}, {3600, "1h 0m", "1 h ago"},
                 {86399, "23h 59m", "23 h ago"}};
    const QDateTime date = QDateTime::fromString(QStringLiteral("2026-03-01T07:05:00Z"), Qt::ISODate);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(protectedTimeText(c.seconds), QString::fromUtf8(c.protectedTime));
        EXPECT_EQ(eventAgeText(c.seconds, date), QString::fromUtf8(c.age));
    }
    EXPECT_EQ(eventAgeText(86400, date), QStringLiteral("Mar 1, 07:05"));
    LocalizationManager::shared().setCurrentLanguage("de");
    EXPECT_EQ(eventAgeText(86400, date), QStringLiteral("März 1, 07:05"));
    // Arabic month names, with the digits of the rest of the interface.
    LocalizationManager::shared().setCurrentLanguage("ar");
    EXPECT_TRUE(eventAgeText(86400, date).contains(QStringLiteral("07:05")));
    EXPECT_FALSE(eventAgeText(86400, date).contains(QStringLiteral("Mar")));
    LocalizationManager::shared().setCurrentLanguage("en");
}

// The statistics tile counts the running period on top of the stored time; three events
// need no "show all", four do, and every row's age follows the clock.
TEST(DashboardView, StatisticsAndEventsFollowTheClock)
{
    InterfaceWorld world({R"({"t":0,"defaults":{"vardo_onboarding_done":true,"vardo_terms_accepted":true,"vardo_total_time":3000.0,"vardo_enabled":true,"vardo_lock_timeout":0}})",
                          enrolled});
    EXPECT_EQ(world.read("protectedTile", "value").toString(), QStringLiteral("50m"));
    world.run(at(600, R"("dump":true)"));
    EXPECT_EQ(world.read("protectedTile", "value").toString(), QStringLiteral("1h 0m"));

    // Twice: walk away, the lock, the password (an away lock and a manual unlock each).
    for (double t : {601.0, 661.0}) {
        for (double dt : {0.0, 0.25, 0.5})
            world.run(frame(t + dt, {owner}));
        world.run(frame(t + 1, {}));
        world.run(at(t + 3, R"("dump":true)"));
        world.run(at(t + 4, R"("call":"unlockWithPassword","args":["owner-password"])"));
        world.run(at(t + 30, R"("dump":true)"));
    }
    ASSERT_EQ(world.service->securityEvents().size(), 4u);
    auto visibleRows = [&] {
        const auto rows = world.findItems("age");
        return std::count_if(rows.begin(), rows.end(), [](QQuickItem *row) { return row->isVisible(); });
    };
    EXPECT_EQ(visibleRows(), 3);
    world.click("showAllEvents");
    EXPECT_EQ(visibleRows(), 4);

    world.run(at(721 + 3600, R"("dump":true)"));
    for (QQuickItem *row : world.findItems("age"))
        EXPECT_EQ(row->property("text").toString(), QString::fromStdString(localizedFormat("events.hr_ago", qint64(1))));
}

// Every picker stores the chosen value and shows it back; a value written by hand shows
// itself instead of an option; switches and wallpapers write through.
TEST(SettingsView, EveryControlWritesThroughToTheEngine)
{
    InterfaceWorld world(
        {R"({"t":0,"defaults":{"vardo_onboarding_done":true,"vardo_terms_accepted":true,"vardo_lock_timeout":20}})",
         enrolled});
    EXPECT_EQ(world.read("lockDelayPicker", "currentIndex").toInt(), -1);
    EXPECT_EQ(world.read("lockDelayPicker", "displayText").toString(), QStringLiteral("20"));

    using Stored = std::variant<std::int64_t, std::string>;
    const struct {
        const char *name, *key;
        std::vector<Stored> values;
    } pickers[] = {
        {"securityLevelPicker", "vardo_security_level", {0, 1, 2}},
        {"lockDelayPicker", "vardo_lock_timeout", {0, 2, 3, 5, 10, 15, 30, 60}},
        {"unlockDelayPicker", "vardo_unlock_delay", {0, 1, 2, 3}},
        {"lockActionPicker", "vardo_lock_mode", {"app_only", "lock_mac"}},
        {"guardDelayPicker", "vardo_stealth_delay", {0, 1, 2, 3, 5, 12}},
        {"allowedFacesPicker", "vardo_max_faces", {1, 2, 3, 5}},
        {"intruderAttemptsPicker", "vardo_intruder_threshold", {1, 2, 3, 4, 5}},
    };
    for (const auto &picker : pickers) {
        SCOPED_TRACE(picker.name);
        const QStringList labels = world.read(picker.name, "model").toStringList();
        ASSERT_EQ(labels.size(), static_cast<qsizetype>(picker.values.size()));
        // Backwards, so that every choice is a change.
        for (int i = labels.size() - 1; i >= 0; --i) {
            SCOPED_TRACE(i);
            world.choose(picker.name, i);
            if (const auto *number = std::get_if<std::int64_t>(&picker.values[i]))
                EXPECT_EQ(world.settings.objectInteger(picker.key), *number);
            else
                EXPECT_EQ(world.settings.string(picker.key), std::get<std::string>(picker.values[i]));
            EXPECT_EQ(world.read(picker.name, "currentIndex").toInt(), i);
            EXPECT_EQ(world.read(picker.name, "displayText").toString(), labels[i]);
        }
    }

    for (const auto &[control, key, stored] : {std::tuple{"soundSwitch", "vardo_play_sound", false},
                                               {"intruderPhotoSwitch", "vardo_intruder_enabled", true},
                                               {"shoulderGuardSwitch", "vardo_stealth_mode", true}}) {
        world.click(control);
        EXPECT_EQ(world.settings.objectBool(key), stored) << control;
    }
    world.run(at(1, R"("dump":true)"));
    EXPECT_TRUE(world.service->isMonitoring()); // the guard starts the camera
    world.click("wallpaper5");
    EXPECT_EQ(world.settings.objectInteger("vardo_wallpaper"), 5);
    EXPECT_TRUE(world.read("wallpaper5", "selected").toBool());
}

// A new language rebuilds the scene: its view state starts afresh (an open sheet closes,
// the closed adaptive-learning note is back), the texts change, and Arabic mirrors the
// columns.
TEST(SettingsView, ChoosingALanguageStoresItAndRebuildsTheWindow)
{
    InterfaceWorld world({setUpDone, enrolled});
    QQuickItem *before = world.scene();
    world.click("closeAdaptiveBanner");
    EXPECT_FALSE(world.visible("adaptiveBanner"));
    world.setView("showResetFaceConfirm", true);
    EXPECT_TRUE(world.read("resetConfirmation", "visible").toBool());

    world.choose("languagePicker", 3); // Deutsch, fourth in the list
    EXPECT_EQ(test::languageStore().string("app_language"), "de");
    EXPECT_NE(world.scene(), before);
    EXPECT_TRUE(world.visible("adaptiveBanner"));
    EXPECT_EQ(world.text("mainSwitch"), QString::fromUtf8("Schutz einschalten"));

    auto leftColumnIsOnTheRight = [&] {
        return world.shown("leftColumn")->mapToScene(QPointF()).x()
               > world.shown("rightColumn")->mapToScene(QPointF()).x();
    };
    EXPECT_FALSE(leftColumnIsOnTheRight());
    world.choose("languagePicker", 20); // العربية
    EXPECT_TRUE(leftColumnIsOnTheRight());
    LocalizationManager::shared().setCurrentLanguage("en");
}

// Reset face: a confirmation, then the password. Cancelling either, or a wrong password,
// changes nothing; the right password switches protection off, then forgets the face.
TEST(SettingsView, ResettingTheFaceNeedsConfirmationAndTheAcceptedPassword)
{
    InterfaceWorld world(
        {R"({"t":0,"defaults":{"vardo_onboarding_done":true,"vardo_terms_accepted":true,"vardo_enabled":true}})",
         enrolled});
    auto unchanged = [&] {
        EXPECT_TRUE(world.service->isOwnerEnrolled());
        EXPECT_TRUE(world.service->isEnabled());
    };
    auto typePassword = [&](const char *password) {
        QQmlProperty::write(world.find("resetPasswordField"), QStringLiteral("text"), QString::fromUtf8(password));
        world.click("submitResetPassword");
    };

    world.click("resetFace");
    world.click("cancelReset");
    EXPECT_FALSE(world.read("resetPassword", "visible").toBool());
    unchanged();

    world.click("resetFace");
    world.click("confirmReset");
    EXPECT_TRUE(world.read("resetPassword", "visible").toBool());

    // A wrong password: told so, asked again.
    typePassword("not-the-password");
    world.run(at(1, R"("dump":true)"));
    EXPECT_TRUE(world.visible("resetPasswordFailure"));
    EXPECT_TRUE(world.read("resetPassword", "visible").toBool());
    unchanged();

    // Cancelled while the system checks (nothing queued has run yet): nothing changes.
    QQmlProperty::write(world.find("resetPasswordField"), QStringLiteral("text"), QStringLiteral("owner-password"));
    QMetaObject::invokeMethod(world.find("submitResetPassword"), "clicked");
    ASSERT_TRUE(world.service->authentication()->isChecking());
    world.click("cancelResetPassword");
    world.run(at(2, R"("dump":true)"));
    EXPECT_FALSE(world.read("resetPassword", "visible").toBool());
    unchanged();

    world.click("resetFace");
    world.click("confirmReset");
    EXPECT_FALSE(world.visible("resetPasswordFailure"));
    typePassword("owner-password");
    world.run(at(3, R"("dump":true)"));
    EXPECT_FALSE(world.service->isOwnerEnrolled());
    EXPECT_EQ(world.settings.objectBool("vardo_enabled"), false);
    EXPECT_TRUE(world.visible("enrollFace"));
}

} // namespace
} // namespace vardo
