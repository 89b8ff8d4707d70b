// The settings section as the user works it: every picker and switch of the
// application's QML writes straight through to a real engine (and its stored settings),
// the face rows, the language's rebuild, and the face reset behind a password.

#include "tests/app/interface_world.h"

#include <QQuickItem>
#include <QVariant>

#include <variant>

namespace vardo {
namespace {

using test::InterfaceWorld;

QString text(const char *key)
{
    return QString::fromStdString(localized(key));
}
QString literal(const char *label)
{
    return QString::fromStdString(localizedPlatform(label));
}

std::string at(double t, const std::string &action)
{
    return R"({"t":)" + std::to_string(t) + "," + action + "}";
}

// A choice in a pull-down, as the user makes it.
void choose(InterfaceWorld &world, const char *picker, int index)
{
    QObject *box = world.find(picker);
    ASSERT_TRUE(box) << picker;
    QMetaObject::invokeMethod(box, "activated", Q_ARG(int, index));
    world.settle();
}

void toggle(InterfaceWorld &world, const char *name)
{
    QObject *control = world.find(name);
    ASSERT_TRUE(control) << name;
    QQmlProperty::write(control, QStringLiteral("checked"), !QQmlProperty::read(control, QStringLiteral("checked")).toBool());
    QMetaObject::invokeMethod(control, "toggled");
    world.settle();
}

// Scrolls `item` into view and clicks its middle.
void tap(InterfaceWorld &world, const char *name)
{
    auto *item = qobject_cast<QQuickItem *>(world.find(name));
    ASSERT_TRUE(item) << name;
    auto *column = qobject_cast<QQuickItem *>(world.find("rightColumn"));
    auto *flickable = qvariant_cast<QQuickItem *>(column->property("contentItem"));
    const QPointF inContent = item->mapToItem(flickable->property("contentItem").value<QQuickItem *>(),
                                              QPointF(item->width() / 2, item->height() / 2));
    flickable->setProperty("contentY", std::max(0.0, inContent.y() - 200));
    world.settle();
    const QPointF inWindow = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(world.quickWindow(), Qt::LeftButton, Qt::NoModifier, inWindow.toPoint());
    world.settle();
}

using Stored = std::variant<std::int64_t, std::string>;

struct Option {
    QString label;
    Stored value;
};

struct Picker {
    const char *name;
    const char *key;
    QList<Option> options;
};

constexpr const char *setUpOwner = R"({"t":0,"defaults":{"vardo_onboarding_done":true,"vardo_terms_accepted":true}})";
constexpr const char *enrolled = R"({"t":0,"enrolled":"owner"})";

TEST(SettingsView, EveryPickerOffersItsOptionsAndStoresTheChosenValue)
{
    VARDO_FRESH_WORLD();
    InterfaceWorld world({setUpOwner, enrolled});
    const QList<Picker> pickers{
        {"securityLevelPicker", "vardo_security_level",
         {{text("settings.relaxed"), 0}, {text("settings.balanced"), 1}, {text("settings.strict"), 2}}},
        {"lockDelayPicker", "vardo_lock_timeout",
         {{literal("Instant"), 0}, {literal("2 sec"), 2}, {literal("3 sec"), 3}, {text("settings.5_sec"), 5},
          {text("settings.10_sec"), 10}, {text("settings.15_sec"), 15}, {text("settings.30_sec"), 30},
          {text("settings.60_sec"), 60}}},
        {"unlockDelayPicker", "vardo_unlock_delay",
         {{literal("Instant"), 0}, {literal("1 sec"), 1}, {literal("2 sec"), 2}, {literal("3 sec"), 3}}},
        {"lockActionPicker", "vardo_lock_mode",
         {{text("lock_mode.overlay"), "app_only"}, {text("lock_mode.lock_mac"), "lock_mac"}}},
        {"guardDelayPicker", "vardo_stealth_delay",
         {{text("settings.instant"), 0}, {text("settings.1_sec"), 1}, {text("settings.2_sec"), 2},
          {text("settings.3_sec"), 3}, {text("settings.5_sec_delay"), 5}, {text("settings.12_sec"), 12}}},
        {"allowedFacesPicker", "vardo_max_faces",
         {{text("settings.only_me"), 1}, {text("settings.2_faces"), 2}, {text("settings.3_faces"), 3},
          {text("settings.5_faces"), 5}}},
        {"intruderAttemptsPicker", "vardo_intruder_threshold",
         {{"1", 1}, {"2", 2}, {"3", 3}, {"4", 4}, {"5", 5}}},
    };
    for (const Picker &picker : pickers) {
        SCOPED_TRACE(picker.name);
        QStringList labels;
        for (const Option &option : picker.options)
            labels << option.label;
        EXPECT_EQ(world.read(picker.name, "model").toStringList(), labels);
        // Backwards, so that every choice is a change.
        for (int i = static_cast<int>(picker.options.size()) - 1; i >= 0; --i) {
            const Option &option = picker.options[i];
            SCOPED_TRACE(option.label.toStdString());
            choose(world, picker.name, i);
            if (const auto *number = std::get_if<std::int64_t>(&option.value))
                EXPECT_EQ(world.settings.objectInteger(picker.key), *number);
            else
                EXPECT_EQ(world.settings.string(picker.key), std::get<std::string>(option.value));
            EXPECT_EQ(world.read(picker.name, "currentIndex").toInt(), i);
            EXPECT_EQ(world.read(picker.name, "displayText").toString(), option.label);
        }
    }
}

TEST(SettingsView, AValueWrittenByHandShowsItselfInsteadOfAnOption)
{
    VARDO_FRESH_WORLD();
    InterfaceWorld world({R"({"t":0,"defaults":{"vardo_terms_accepted":true,"vardo_lock_timeout":20}})"});
    EXPECT_EQ(world.read("lockDelayPicker", "currentIndex").toInt(), -1);
    EXPECT_EQ(world.read("lockDelayPicker", "displayText").toString(), QStringLiteral("20"));
}

TEST(SettingsView, SwitchesAndWallpapersWriteThrough)
{
    VARDO_FRESH_WORLD();
    InterfaceWorld world({setUpOwner, enrolled});
    toggle(world, "soundSwitch");
    EXPECT_EQ(world.settings.objectBool("vardo_play_sound"), false);
    toggle(world, "intruderPhotoSwitch");
    EXPECT_EQ(world.settings.objectBool("vardo_intruder_enabled"), true);
    toggle(world, "shoulderGuardSwitch");
    EXPECT_EQ(world.settings.objectBool("vardo_stealth_mode"), true);
    world.run(at(1, R"("dump":true)"));
    EXPECT_TRUE(world.service->isMonitoring()); // the guard starts the camera

    tap(world, "wallpaper5");
    EXPECT_EQ(world.settings.objectInteger("vardo_wallpaper"), 5);
    EXPECT_TRUE(world.read("wallpaper5", "selected").toBool());
    EXPECT_FALSE(world.read("wallpaper2", "selected").toBool());
}

// Before a face is set up the face row offers to set one up (the onboarding at its face
// step, the camera started); afterwards it is the protection switch.
TEST(SettingsView, TheFaceRowEnrolsBeforeAndSwitchesAfter)
{
    VARDO_FRESH_WORLD();
    InterfaceWorld world({setUpOwner});
    EXPECT_TRUE(world.visible("enrollFace"));
    EXPECT_FALSE(world.visible("faceSwitch"));
    world.click("enrollFace");
    EXPECT_TRUE(world.viewFlag("showOnboarding").toBool());
    EXPECT_EQ(world.viewFlag("onboardingStep").toInt(), 1);
    world.run(at(1, R"("dump":true)"));
    EXPECT_TRUE(world.service->hasCaptureSession());
    EXPECT_FALSE(world.service->isEnabled());
}

TEST(SettingsView, WithAFaceTheFaceRowIsTheProtectionSwitch)
{
    VARDO_FRESH_WORLD();
    InterfaceWorld world({setUpOwner, enrolled});
    EXPECT_FALSE(world.visible("enrollFace"));
    EXPECT_TRUE(world.visible("faceSwitch"));
    toggle(world, "faceSwitch");
    world.run(at(1, R"("dump":true)"));
    EXPECT_TRUE(world.service->isEnabled());
    EXPECT_EQ(world.settings.objectBool("vardo_enabled"), true);
    EXPECT_TRUE(world.read("faceSwitch", "checked").toBool());
    world.click("mainSwitch");
    world.run(at(2, R"("dump":true)"));
    EXPECT_FALSE(world.read("faceSwitch", "checked").toBool()); // it mirrors the main switch
}

// A new language rebuilds the scene: its view state starts afresh (an open sheet
// closes, the closed adaptive-learning note is back), the texts change, and Arabic
// mirrors the columns.
TEST(SettingsView, ChoosingALanguageStoresItAndRebuildsTheWindow)
{
    VARDO_FRESH_WORLD();
    InterfaceWorld world({setUpOwner, enrolled});
    QQuickItem *before = world.scene();
    world.click("closeAdaptiveBanner");
    EXPECT_FALSE(world.visible("adaptiveBanner"));
    world.setViewFlag("showResetFaceConfirm", true);
    EXPECT_TRUE(world.read("resetConfirmation", "visible").toBool());

    choose(world, "languagePicker", 3); // Deutsch, fourth in the list
    EXPECT_EQ(world.settings.string("app_language"), "de");
    EXPECT_NE(world.scene(), before);
    EXPECT_FALSE(world.viewFlag("showResetFaceConfirm").toBool());
    EXPECT_TRUE(world.visible("adaptiveBanner"));
    EXPECT_EQ(world.read("mainSwitch", "text").toString(), text("toggle.enable"));
    EXPECT_EQ(text("toggle.enable"), QString::fromUtf8("Schutz einschalten"));

    auto leftColumnIsOnTheRight = [&] {
        auto *left = qobject_cast<QQuickItem *>(world.find("leftColumn"));
        auto *right = qobject_cast<QQuickItem *>(world.find("rightColumn"));
        return left->mapToScene(QPointF()).x() > right->mapToScene(QPointF()).x();
    };
    EXPECT_FALSE(leftColumnIsOnTheRight());
    choose(world, "languagePicker", 20); // العربية
    EXPECT_EQ(world.settings.string("app_language"), "ar");
    EXPECT_TRUE(leftColumnIsOnTheRight());
}

// Reset face: a confirmation, then the password. Cancelling either, or a wrong password,
// changes nothing; the right password switches protection off, then forgets the face.
TEST(SettingsView, ResettingTheFaceNeedsConfirmationAndTheAcceptedPassword)
{
    VARDO_FRESH_WORLD();
    InterfaceWorld world({R"({"t":0,"defaults":{"vardo_onboarding_done":true,"vardo_terms_accepted":true,"vardo_enabled":true}})",
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
    EXPECT_TRUE(world.viewFlag("showResetFaceConfirm").toBool());
    EXPECT_TRUE(world.read("resetConfirmation", "visible").toBool());
    world.click("cancelReset");
    EXPECT_FALSE(world.viewFlag("showResetFaceConfirm").toBool());
    EXPECT_FALSE(world.read("resetPassword", "visible").toBool());
    unchanged();

    world.click("resetFace");
    world.click("confirmReset");
    EXPECT_FALSE(world.viewFlag("showResetFaceConfirm").toBool());
    EXPECT_TRUE(world.read("resetPassword", "visible").toBool());

    // A wrong password: told so, asked again.
    typePassword("not-the-password");
    world.run(at(1, R"("dump":true)"));
    EXPECT_TRUE(world.visible("resetPasswordFailure"));
    EXPECT_TRUE(world.read("resetPassword", "visible").toBool());
    unchanged();

    // Cancelled while the system checks: the check ends, nothing changes.
    typePassword("owner-password");
    EXPECT_TRUE(world.service->authentication()->isChecking());
    world.click("cancelResetPassword");
    world.run(at(2, R"("dump":true)"));
    EXPECT_FALSE(world.read("resetPassword", "visible").toBool());
    EXPECT_FALSE(world.service->authentication()->isChecking());
    unchanged();

    world.click("resetFace");
    world.click("confirmReset");
    EXPECT_FALSE(world.visible("resetPasswordFailure"));
    typePassword("owner-password");
    world.run(at(3, R"("dump":true)"));
    EXPECT_FALSE(world.read("resetPassword", "visible").toBool());
    EXPECT_FALSE(world.service->isOwnerEnrolled());
    EXPECT_FALSE(world.service->isEnabled());
    EXPECT_EQ(world.settings.objectBool("vardo_enabled"), false);
    EXPECT_TRUE(world.visible("enrollFace"));
}

} // namespace
} // namespace vardo
