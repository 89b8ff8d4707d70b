// The dashboard's rules, seen where the user sees them: the application's QML over a
// real engine on the simulated platform, walked through the states a day brings.

#include "app/view_rules.h"
#include "tests/app/interface_world.h"

#include <QDateTime>

namespace vardo {
namespace {

using test::InterfaceWorld;

QString text(const char *key)
{
    return QString::fromStdString(localized(key));
}

constexpr const char *owner = R"({"who":"owner"})";
constexpr const char *stranger = R"({"who":"stranger"})";

std::string frame(double t, std::initializer_list<const char *> faces)
{
    std::string list;
    for (const char *face : faces)
        list += (list.empty() ? "" : ",") + std::string(face);
    return R"({"t":)" + std::to_string(t) + R"(,"frame":{"faces":[)" + list + "]}}";
}

std::string at(double t, const std::string &action)
{
    return R"({"t":)" + std::to_string(t) + "," + action + "}";
}

struct Shown {
    const char *titleKey;
    const char *colour;
    const char *menuKey;
    const char *menuColour;
};

void expectStatus(InterfaceWorld &world, const Shown &expected)
{
    SCOPED_TRACE(expected.titleKey);
    EXPECT_EQ(world.text("statusTitle"), text(expected.titleKey));
    EXPECT_EQ(world.dashboard->statusColor(), QLatin1String(expected.colour));
    EXPECT_EQ(world.dashboard->menuStatusText(), text(expected.menuKey));
    EXPECT_EQ(world.dashboard->menuStatusColor(), QLatin1String(expected.menuColour));
}

// Both status mappings through the day of an enrolled owner: off, the guard alone,
// starting, protected, walking away, locked, a stranger at the locked screen, back, and
// a second face over the shoulder.
TEST(DashboardView, BothStatusMappingsFollowTheEngineThroughTheDay)
{
    VARDO_FRESH_WORLD();
    InterfaceWorld world({R"({"t":0,"defaults":{"vardo_onboarding_done":true,"vardo_terms_accepted":true}})",
                          R"({"t":0,"enrolled":"owner"})"});
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

    // The owner walks away: the countdown row and the menu's line, until the lock.
    world.run(frame(5, {}));
    expectStatus(world, {"status.no_face", "orange", "menu.no_face", "orange"});
    EXPECT_TRUE(world.visible("countdownRow"));
    EXPECT_EQ(world.read("countdownRow", "text").toString(),
              QString::fromStdString(localizedFormat("status.locking_in", qint64(10))));
    world.run(at(9, R"("dump":true)"));
    EXPECT_EQ(world.read("countdownRow", "text").toString(),
              QString::fromStdString(localizedFormat("status.locking_in", qint64(6))));
    world.run(at(15, R"("dump":true)"));
    expectStatus(world, {"status.screen_locked", "red", "menu.no_face", "orange"});
    EXPECT_FALSE(world.visible("countdownRow"));

    world.run(frame(16, {stranger}));
    expectStatus(world, {"status.screen_locked", "red", "menu.unknown_face", "red"});

    for (double t : {17.0, 17.25, 17.5})
        world.run(frame(t, {owner}));
    expectStatus(world, {"status.protected", "green", "menu.protected", "green"});

    world.run(at(18, R"("set":{"stealthModeEnabled":true})"));
    for (double t = 18.25; t <= 21.0; t += 0.25)
        world.run(frame(t, {owner, stranger}));
    expectStatus(world, {"status.shoulder_guard", "orange", "menu.protected", "green"});
    EXPECT_EQ(world.text("statusSubline"), QString::fromStdString(localizedFormat("status.sub.hidden", qint64(2))));
}

TEST(DashboardView, WithoutAFaceTheMenuSaysNotSetUp)
{
    VARDO_FRESH_WORLD();
    InterfaceWorld world({R"({"t":0,"defaults":{"vardo_onboarding_done":true,"vardo_terms_accepted":true}})"});
    expectStatus(world, {"status.vardo_off", "grey", "menu.not_setup", "grey"});
}

// The main switch's checks, in their order: the camera first, then the onboarding from
// its start, then the face step, and only then protection.
TEST(DashboardView, TheMainSwitchChecksTheCameraThenTheSetUpBeforeSwitching)
{
    VARDO_FRESH_WORLD();
    InterfaceWorld world({R"({"t":0,"defaults":{"vardo_terms_accepted":true}})"});
    FakeCamera &camera = world.platform->camera;

    camera.access = CameraAuthorization::denied;
    world.click("mainSwitch");
    EXPECT_TRUE(world.visible("cameraCard"));
    EXPECT_EQ(world.text("cameraCardTitle"), text("camera.access_required"));
    EXPECT_EQ(world.text("cameraCardText"), text("camera.denied_text_linux"));
    EXPECT_FALSE(world.viewFlag("showOnboarding").toBool());
    EXPECT_FALSE(world.service->isEnabled());
    world.click("openCameraSettings");
    EXPECT_EQ(world.privacyPagesOpened, 1);

    camera.access = CameraAuthorization::authorized;
    world.click("mainSwitch");
    EXPECT_TRUE(world.viewFlag("showOnboarding").toBool());
    EXPECT_EQ(world.viewFlag("onboardingStep").toInt(), 0);
    world.setViewFlag("showOnboarding", false);

    world.run(at(1, R"("set":{"hasCompletedOnboarding":true})"));
    world.click("mainSwitch");
    EXPECT_TRUE(world.viewFlag("showOnboarding").toBool());
    EXPECT_EQ(world.viewFlag("onboardingStep").toInt(), 1);
    EXPECT_FALSE(world.service->isEnabled());
}

TEST(DashboardView, WithAFaceTheMainSwitchSwitchesProtectionBothWays)
{
    VARDO_FRESH_WORLD();
    InterfaceWorld world({R"({"t":0,"defaults":{"vardo_onboarding_done":true,"vardo_terms_accepted":true}})",
                          R"({"t":0,"enrolled":"owner"})"});
    EXPECT_EQ(world.read("mainSwitch", "text").toString(), text("toggle.enable"));
    world.click("mainSwitch");
    world.run(at(1, R"("dump":true)"));
    EXPECT_TRUE(world.service->isEnabled());
    EXPECT_TRUE(world.service->isMonitoring());
    EXPECT_EQ(world.read("mainSwitch", "text").toString(), text("toggle.disable"));
    EXPECT_FALSE(world.viewFlag("showOnboarding").toBool());
    world.click("mainSwitch");
    world.run(at(2, R"("dump":true)"));
    EXPECT_FALSE(world.service->isEnabled());
}

// What the camera card says for each way the camera can fail, and that it offers the
// privacy page only for a denied camera.
TEST(DashboardView, TheCameraCardNamesTheProblem)
{
    VARDO_FRESH_WORLD();
    InterfaceWorld world({R"({"t":0,"defaults":{"vardo_onboarding_done":true,"vardo_terms_accepted":true}})",
                          R"({"t":0,"enrolled":"owner"})"});
    FakeCamera &camera = world.platform->camera;
    EXPECT_FALSE(world.visible("cameraCard"));

    camera.access = CameraAuthorization::restricted;
    world.click("mainSwitch");
    EXPECT_EQ(world.text("cameraCardTitle"), text("camera.access_restricted"));
    EXPECT_FALSE(world.visible("openCameraSettings"));

    camera.access = CameraAuthorization::authorized;
    const auto devices = camera.devices;
    camera.devices.clear();
    world.click("mainSwitch");
    EXPECT_EQ(world.text("cameraCardTitle"), text("camera.no_camera"));
    EXPECT_EQ(world.text("cameraCardText"), text("camera.no_camera_text"));
    EXPECT_FALSE(world.service->isEnabled());

    // Held by another application: protection is on but the camera cannot start.
    camera.devices = devices;
    camera.inputFails = true;
    world.run(at(1, R"("call":"setProtectionEnabled","args":[true])"));
    EXPECT_TRUE(world.visible("cameraCard"));
    EXPECT_EQ(world.text("cameraCardTitle"), text("camera.unavailable"));
    EXPECT_EQ(world.text("cameraCardText"), text("camera.unavailable_text"));
    EXPECT_EQ(world.text("statusTitle"), text("status.starting"));

    camera.inputFails = false;
    world.run(at(2, R"("call":"setProtectionEnabled","args":[false])"));
    world.run(at(3, R"("call":"setProtectionEnabled","args":[true])"));
    EXPECT_FALSE(world.visible("cameraCard"));
}

TEST(DashboardView, ProtectedTimeAndEventAgesRead)
{
    VARDO_FRESH_WORLD();
    InterfaceWorld::built() = true; // the shared localization is this test's now
    LocalizationManager::shared().setCurrentLanguage("en");
    struct Case {
        double seconds;
        const char *text;
    };
    for (const Case &c : {Case{0, "<1m"}, Case{59.9, "<1m"}, Case{60, "1m"}, Case{3599, "59m"},
                          Case{3600, "1h 0m"}, Case{3 * 3600 + 5 * 60 + 59, "3h 5m"}}) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(protectedTimeText(c.seconds), QString::fromUtf8(c.text));
    }
    const QDateTime date = QDateTime::fromString(QStringLiteral("2026-03-01T07:05:00Z"), Qt::ISODate);
    for (const Case &c : {Case{0, "Just now"}, Case{59, "Just now"}, Case{60, "1 min ago"}, Case{3599, "59 min ago"},
                          Case{3600, "1 h ago"}, Case{86399, "23 h ago"}}) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(eventAgeText(c.seconds, date), QString::fromUtf8(c.text));
    }
    EXPECT_EQ(eventAgeText(86400, date), QStringLiteral("Mar 1, 07:05"));
    LocalizationManager::shared().setCurrentLanguage("de");
    EXPECT_EQ(eventAgeText(86400, date), QStringLiteral("März 1, 07:05"));
    EXPECT_EQ(protectedTimeText(3 * 3600 + 5 * 60), QString::fromStdString(localized("stats.hr_abbr")).prepend('3')
                                                        + ' ' + '5' + QString::fromStdString(localized("stats.min_abbr")));
    // Arabic month names, with the digits of the rest of the interface.
    LocalizationManager::shared().setCurrentLanguage("ar");
    const QString arabic = eventAgeText(86400, date);
    EXPECT_TRUE(arabic.contains(QStringLiteral("07:05"))) << arabic.toStdString();
    EXPECT_FALSE(arabic.contains(QStringLiteral("Mar")));
}

// The statistics tile counts the running period on top of the stored time, and event
// rows show their age; three events need no "show all", four do.
TEST(DashboardView, StatisticsAndEventsFollowTheClock)
{
    VARDO_FRESH_WORLD();
    InterfaceWorld world({R"({"t":0,"defaults":{"vardo_onboarding_done":true,"vardo_terms_accepted":true,"vardo_total_time":3000.0,"vardo_enabled":true,"vardo_lock_timeout":0}})",
                          R"({"t":0,"enrolled":"owner"})"});
    auto tileValue = [&] {
        QObject *tile = world.find("protectedTile");
        return tile ? QQmlProperty::read(tile, QStringLiteral("value")).toString() : QString();
    };
    EXPECT_EQ(tileValue(), QStringLiteral("50m"));
    EXPECT_TRUE(world.visible("noEvents"));
    world.run(at(600, R"("dump":true)"));
    EXPECT_EQ(tileValue(), QStringLiteral("1h 0m"));

    // Three locks: walk away, lock after 1.5 s, password, again.
    double t = 601;
    auto lockAndUnlock = [&] {
        world.run(frame(t, {owner}));
        world.run(frame(t + 0.25, {owner}));
        world.run(frame(t + 0.5, {owner}));
        world.run(frame(t + 1, {}));
        world.run(at(t + 3, R"("dump":true)"));
        world.run(at(t + 4, R"("call":"unlockWithPassword","args":["owner-password"])"));
        world.run(at(t + 30, R"("dump":true)"));
        t += 60;
    };
    lockAndUnlock(); // an away lock and a manual unlock
    lockAndUnlock();
    ASSERT_EQ(world.service->securityEvents().size(), 4u);
    EXPECT_FALSE(world.visible("noEvents"));
    EXPECT_TRUE(world.visible("showAllEvents"));
    EXPECT_EQ(world.read("showAllEvents", "text").toString(),
              QString::fromStdString(localizedFormat("events.show_all", qint64(4))));

    auto visibleRows = [&] {
        int rows = 0;
        for (QQuickItem *row : world.findItems("age"))
            rows += row->isVisible() ? 1 : 0;
        return rows;
    };
    EXPECT_EQ(visibleRows(), 3);
    world.click("showAllEvents");
    EXPECT_TRUE(world.viewFlag("showAllEvents").toBool());
    EXPECT_EQ(visibleRows(), 4);
    EXPECT_EQ(world.read("showAllEvents", "text").toString(), text("events.show_less"));

    // An hour on, every row reads "1 h ago".
    world.run(at(t + 3600, R"("dump":true)"));
    for (QQuickItem *row : world.findItems("age"))
        EXPECT_EQ(QQmlProperty::read(row, QStringLiteral("text")).toString(),
                  QString::fromStdString(localizedFormat("events.hr_ago", qint64(1))));
}

} // namespace
} // namespace vardo
