// The lock and guard screens as a person uses them.

#include "screens/lock_status.h"
#include "tests/screens/screens_world.h"

#include <gtest/gtest.h>

namespace vardo::test {
namespace {

class Screens : public ::testing::Test {
protected:
    void SetUp() override { LocalizationManager::shared().setCurrentLanguage("en"); }
    void TearDown() override
    {
        if (world.service.isLocked())
            world.service.manualUnlock();
        world.service.resumeStealth();
        world.settle();
    }

    ScreensWorld &world = screensWorld();
    VardoService &service = world.service;
};

TEST(LockStatusLine, TheFirstRuleThatHoldsChoosesTheLine)
{
    struct Row {
        bool faceLocked, faceDetected, ownerRecognized;
        const char *key;
        QColor colour;
    };
    const QColor orange(255, 149, 0, 230), red(255, 59, 48, 204), white(255, 255, 255, 153);
    for (const Row &row : {Row{true, true, false, "lock.face_locked", orange},
                           Row{false, true, false, "lock.not_recognized", red},
                           Row{false, true, true, "lock.return", white}}) {
        const LockStatusLine line = lockStatusLine(row.faceLocked, row.faceDetected, row.ownerRecognized);
        EXPECT_STREQ(line.key, row.key);
        EXPECT_EQ(line.colour.rgba(), row.colour.rgba()) << row.key;
    }
}

// The first key opens the field; Enter hands the text to the system once and clears the
// field; a refusal leaves the lock and says so; typing Enter again while the system
// checks starts no second check.
TEST_F(Screens, ThePasswordFieldUnlocksOnlyWithTheRightPasswordAndKeepsNothing)
{
    service.lockScreen();
    world.settle();
    auto view = showScreen("LockScreen.qml");
    EXPECT_EQ(child(*view, "statusLine")->property("text").toString(),
              LocalizationManager::shared().localized("lock.return"));
    QQuickItem *field = child(*view, "passwordField");
    ASSERT_FALSE(field->isVisible());

    type(view.get(), "guess");
    EXPECT_TRUE(field->isVisible());
    EXPECT_EQ(field->property("text").toString(), QStringLiteral("guess"));
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_EQ(field->property("text").toString(), QString());
    world.settle();
    EXPECT_TRUE(service.isLocked());
    EXPECT_EQ(child(*view, "passwordMessage")->property("text").toString(),
              LocalizationManager::shared().localized("lock.password_failed"));

    const int before = world.platform.authenticator.conversations;
    type(view.get(), "owner-password");
    QTest::keyClick(view.get(), Qt::Key_Return);
    type(view.get(), "owner-password");
    QTest::keyClick(view.get(), Qt::Key_Return); // the check has not answered yet
    EXPECT_EQ(world.platform.authenticator.conversations, before + 1);
    world.settle();
    EXPECT_FALSE(service.isLocked());
    EXPECT_EQ(world.platform.authenticator.answers.back(), "owner-password");
    EXPECT_EQ(field->property("text").toString(), QString());
}

TEST_F(Screens, TheGuardScreensButtonsPauseAndSwitchTheGuardOff)
{
    service.setStealthModeEnabled(true);
    service.activateStealth(2);
    auto view = showScreen("GuardScreen.qml");

    click(*view, child(*view, "pause5Button"));
    EXPECT_FALSE(service.isStealthActive());
    EXPECT_EQ(service.stealthPauseRemaining(), 300);

    click(*view, child(*view, "pause30Button"));
    EXPECT_EQ(service.stealthPauseRemaining(), 1800);

    click(*view, child(*view, "disableButton"));
    EXPECT_EQ(world.platform.defaults.objectBool("vardo_stealth_mode"), false);
}

} // namespace
} // namespace vardo::test
