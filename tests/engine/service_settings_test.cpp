#include "engine_harness.h"

#include <QMetaProperty>

#include <limits>

namespace vardo::test {
namespace {

using SettingsAtStart = EngineTest;

TEST_F(SettingsAtStart, FreshInstallLeavesTheCameraOffAndWritesNothingBack)
{
    VardoService &s = start();
    EXPECT_FALSE(s.isEnabled());
    EXPECT_EQ(platform.camera.sessionsCreated, 0);
    // The day stamp belongs to statistics.
    for (const auto &key : platform.defaults.keys())
        EXPECT_EQ(key, "vardo_stats_date");
}

TEST_F(SettingsAtStart, ObjectReadsFallBackOnWrongTypesWhileTypedReadsConvert)
{
    platform.defaults.setString("vardo_lock_timeout", "30"); // object read: a string is no integer
    platform.defaults.setDouble("vardo_stealth_delay", 2.5);  // object read: a fraction is no integer
    platform.defaults.setDouble("vardo_max_faces", 3.0);      // ...but a whole double is
    platform.defaults.setInteger("vardo_play_sound", 2);      // object read: 2 is no Boolean
    platform.defaults.setString("vardo_unlock_delay", "5");   // typed read: numeric text converts
    platform.defaults.setDouble("vardo_total_locks", 7.9);    // typed read: truncates
    platform.defaults.setString("vardo_enabled", "yes");      // typed read: "yes" is true
    platform.defaults.setString("vardo_security_level", "2"); // object read: text is no integer
    VardoService &s = start();
    EXPECT_EQ(s.lockTimeout(), 10);
    EXPECT_EQ(s.stealthDelay(), 2);
    EXPECT_EQ(s.maxAllowedFaces(), 3);
    EXPECT_TRUE(s.playSoundOnLock());
    EXPECT_EQ(s.unlockDelay(), 5);
    EXPECT_EQ(s.totalLocksAllTime(), 7);
    EXPECT_TRUE(s.isEnabled());
    EXPECT_EQ(s.securityLevel(), 1);
    // The wrong value stays in the store until the setter writes the key.
    EXPECT_EQ(platform.defaults.string("vardo_lock_timeout"), "30");
}

TEST_F(SettingsAtStart, AValueOutsideItsRangeIsReadAsTheDefaultAndLeftInTheFile)
{
    struct Case {
        const char *key;
        DefaultsValue stored;
        const char *property;
        QVariant expected;
        bool logged;
    };
    const Case cases[] = {
        {"vardo_lock_timeout", std::int64_t{0}, "lockTimeout", qint64{0}, false},
        {"vardo_lock_timeout", std::numeric_limits<std::int64_t>::min(), "lockTimeout", qint64{10}, true},
        {"vardo_max_faces", std::int64_t{-5}, "maxAllowedFaces", qint64{1}, true},
        {"vardo_security_level", std::int64_t{99}, "securityLevel", qint64{1}, true},
        {"vardo_intruder_threshold", std::numeric_limits<std::int64_t>::max(), "intruderPhotoThreshold", qint64{3}, true},
        {"vardo_total_time", std::numeric_limits<double>::quiet_NaN(), "totalTimeProtected", 0.0, true},
        // Only the exact word selects the session lock.
        {"vardo_lock_mode", std::string("LOCK_MAC"), "lockMode", QVariant::fromValue(LockMode::appOnly), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        SimulatedPlatform fresh{startTime};
        fresh.defaults.set(c.key, c.stored);
        VardoService s(fresh.services(), fresh.modules());
        EXPECT_EQ(s.property(c.property), c.expected);
        EXPECT_EQ(fresh.log.contains(std::string("[Vardo] Setting ") + c.key + " holds"), c.logged);
        EXPECT_EQ(fresh.defaults.writeCount(c.key), 1); // only the test's own write
    }
}

using Setters = EngineTest;

TEST_F(Setters, EveryWritableSettingPersistsItsKeyAndRefusesValuesOutsideItsRange)
{
    VardoService &s = start();
    const QMetaObject &meta = VardoService::staticMetaObject;
    int writable = 0;
    for (const Setting &setting : settingsTable) {
        const int index = meta.indexOfProperty(std::string(setting.property).c_str());
        if (setting.property.empty() || index < 0 || !meta.property(index).isWritable())
            continue;
        ++writable;
        const std::string key(setting.key);
        SCOPED_TRACE(key);
        const QVariant current = s.property(meta.property(index).name());
        for (int round = 1; round <= 2; ++round) {
            ASSERT_TRUE(s.setProperty(meta.property(index).name(), current));
            EXPECT_EQ(platform.defaults.writeCount(key), round);
        }
        const auto stored = platform.defaults.object(key);
        ASSERT_TRUE(stored);
        EXPECT_TRUE(settingAccepts(setting, *stored));
        if (setting.type == SettingType::integer) {
            s.setProperty(meta.property(index).name(), qint64(setting.maximum) + 1);
            EXPECT_EQ(s.property(meta.property(index).name()), current);
            EXPECT_EQ(platform.defaults.writeCount(key), 2);
            EXPECT_TRUE(platform.log.contains("[Vardo] Refused " + key));
        }
    }
    EXPECT_EQ(writable, 13);
}

TEST_F(Setters, TheShoulderGuardAloneRunsTheCameraWithoutACountdownAndSwitchedOffStopsIt)
{
    platform.defaults.setBool("vardo_stealth_mode", true);
    VardoService &s = start();
    EXPECT_TRUE(s.isMonitoring());
    EXPECT_FALSE(s.protectionStartTime().has_value());

    s.activateStealth(2);
    s.setStealthModeEnabled(false);
    settle();
    EXPECT_FALSE(s.hasCaptureSession());
    EXPECT_FALSE(platform.overlays.stealthShown);
}

TEST_F(Setters, SwitchingTheShoulderGuardOnWithoutACameraSwitchesProtectionOffWithoutStoringIt)
{
    platform.camera.devices.clear();
    platform.camera.front.reset();
    VardoService &s = start();
    s.setProtectionEnabled(true);
    s.setStealthModeEnabled(true);
    settle();
    EXPECT_FALSE(s.isEnabled());
    EXPECT_EQ(platform.defaults.writeCount("vardo_enabled"), 1);
}

} // namespace
} // namespace vardo::test
