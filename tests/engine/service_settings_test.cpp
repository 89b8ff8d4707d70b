#include "service_fixture.h"

#include <QMetaProperty>

namespace vardo::test {
namespace {

using SettingsAtStart = ServiceTest;

TEST_F(SettingsAtStart, FreshInstallUsesEveryDefaultAndLeavesTheCameraOff)
{
    withCamera();
    VardoService &s = start();
    EXPECT_FALSE(s.isEnabled());
    EXPECT_EQ(s.lockTimeout(), 10);
    EXPECT_TRUE(s.playSoundOnLock());
    EXPECT_EQ(s.unlockDelay(), 0);
    EXPECT_FALSE(s.stealthModeEnabled());
    EXPECT_FALSE(s.hasCompletedOnboarding());
    EXPECT_FALSE(s.hasAcceptedTerms());
    EXPECT_EQ(s.stealthDelay(), 2);
    EXPECT_EQ(s.maxAllowedFaces(), 1);
    EXPECT_EQ(s.securityLevel(), 1);
    EXPECT_EQ(s.lockMode(), LockMode::appOnly);
    EXPECT_EQ(s.selectedWallpaper(), 2);
    EXPECT_FALSE(s.intruderPhotoEnabled());
    EXPECT_EQ(s.intruderPhotoThreshold(), 3);
    EXPECT_EQ(s.cameraStatus(), CameraStatus::unknown);
    EXPECT_EQ(platform.camera.sessionsCreated, 0);
    // Reading the settings writes nothing back (the day stamp belongs to statistics).
    for (const auto &key : platform.defaults.keys())
        EXPECT_EQ(key, "vardo_stats_date");
}

TEST_F(SettingsAtStart, OnlyTheExactWordLockMacSelectsTheSessionLock)
{
    for (const auto &[stored, expected] : std::vector<std::pair<std::string, LockMode>>{
             {"lock_mac", LockMode::lockMac}, {"LOCK_MAC", LockMode::appOnly},
             {"lock_mac ", LockMode::appOnly}, {"screen", LockMode::appOnly}}) {
        MemoryDefaultsStore store;
        store.setString("vardo_lock_mode", stored);
        VardoService s(platform.services(&store));
        EXPECT_EQ(s.lockMode(), expected) << stored;
    }
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
    withCamera();
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

TEST_F(SettingsAtStart, StoredValuesAreUsedUnchangedWithoutClamping)
{
    platform.defaults.setInteger("vardo_lock_timeout", 0);
    platform.defaults.setBool("vardo_play_sound", false);
    platform.defaults.setInteger("vardo_security_level", 7);
    platform.defaults.setInteger("vardo_max_faces", -4);
    VardoService &s = start();
    EXPECT_EQ(s.lockTimeout(), 0);
    EXPECT_FALSE(s.playSoundOnLock());
    EXPECT_EQ(s.securityLevel(), 7);
    EXPECT_EQ(s.maxAllowedFaces(), -4);
    EXPECT_EQ(s.securityLevelDescription().toStdString(), "Recommended. A good balance of speed and accuracy.");
}

TEST_F(SettingsAtStart, ShoulderGuardAloneStartsTheCameraButNoCountdown)
{
    withCamera();
    platform.defaults.setBool("vardo_stealth_mode", true);
    VardoService &s = start();
    EXPECT_EQ(platform.camera.sessionsStarted, 1);
    EXPECT_TRUE(s.isMonitoring());
    EXPECT_FALSE(s.isEnabled());
    EXPECT_FALSE(s.protectionStartTime().has_value());
}

using Setters = ServiceTest;

TEST_F(Setters, EveryPersistedSetterWritesItsKeyOnEveryAssignmentWithItsType)
{
    VardoService &s = start();
    const std::vector<std::pair<const char *, const char *>> persisted = {
        {"isEnabled", "vardo_enabled"}, {"lockTimeout", "vardo_lock_timeout"},
        {"playSoundOnLock", "vardo_play_sound"}, {"unlockDelay", "vardo_unlock_delay"},
        {"hasCompletedOnboarding", "vardo_onboarding_done"}, {"hasAcceptedTerms", "vardo_terms_accepted"},
        {"stealthDelay", "vardo_stealth_delay"}, {"maxAllowedFaces", "vardo_max_faces"},
        {"intruderPhotoEnabled", "vardo_intruder_enabled"}, {"intruderPhotoThreshold", "vardo_intruder_threshold"},
        {"selectedWallpaper", "vardo_wallpaper"}, {"securityLevel", "vardo_security_level"},
        {"lockMode", "vardo_lock_mode"}, {"stealthModeEnabled", "vardo_stealth_mode"}};
    for (const auto &[property, key] : persisted) {
        const QVariant current = s.property(property);
        ASSERT_TRUE(current.isValid()) << property;
        for (int round = 1; round <= 2; ++round) {
            ASSERT_TRUE(s.setProperty(property, current)) << property;
            EXPECT_EQ(platform.defaults.writeCount(key), round) << key;
        }
        const auto stored = platform.defaults.object(key);
        ASSERT_TRUE(stored) << key;
        const int typeId = current.metaType().id();
        if (typeId == QMetaType::Bool)
            EXPECT_TRUE(std::holds_alternative<bool>(*stored)) << key;
        else if (typeId == QMetaType::LongLong)
            EXPECT_TRUE(std::holds_alternative<std::int64_t>(*stored)) << key;
        else
            EXPECT_TRUE(std::holds_alternative<std::string>(*stored)) << key;
    }
    s.setLockMode(LockMode::lockMac);
    EXPECT_EQ(platform.defaults.string("vardo_lock_mode"), "lock_mac");
}

TEST_F(Setters, GuardWindowsFollowEveryAssignmentOfIsStealthActive)
{
    VardoService &s = start();
    s.setIsStealthActive(true);
    s.setIsStealthActive(true);
    EXPECT_EQ(platform.overlays.stealthShows, 2);
    s.setIsStealthActive(false);
    EXPECT_FALSE(platform.overlays.stealthShown);
}

TEST_F(Setters, SwitchingTheShoulderGuardOffWithProtectionOffStopsTheCamera)
{
    withCamera();
    platform.defaults.setBool("vardo_stealth_mode", true);
    VardoService &s = start();
    s.setIsStealthActive(true);
    s.setStealthModeEnabled(false);
    settle();
    EXPECT_FALSE(s.isMonitoring());
    EXPECT_FALSE(s.hasCaptureSession());
    EXPECT_FALSE(s.isStealthActive());
    EXPECT_EQ(platform.camera.sessionsStopped, 1);
}

TEST_F(Setters, SwitchingTheShoulderGuardOnWithoutACameraSwitchesProtectionOffWithoutStoringIt)
{
    VardoService &s = start();
    s.setIsEnabled(true);
    s.setStealthModeEnabled(true);
    settle();
    EXPECT_EQ(s.cameraStatus(), CameraStatus::noCameraFound);
    EXPECT_FALSE(s.isEnabled());
    EXPECT_EQ(platform.defaults.boolean("vardo_enabled"), true);
    EXPECT_EQ(platform.defaults.writeCount("vardo_enabled"), 1);
}

} // namespace
} // namespace vardo::test
