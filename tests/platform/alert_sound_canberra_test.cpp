#include "platform/alert_sound_canberra.h"
#include "platform/log_sink.h"
#include "platform/fakes/memory_log.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vardo {
namespace {

// Through libcanberra's ALSA driver: the "null" device is ALSA's real sink that
// discards the samples, present with or without a sound card; card 99 exists nowhere.
CanberraAlertOptions nullDevice()
{
    CanberraAlertOptions options;
    options.driver = "alsa";
    options.device = "null";
    return options;
}

TEST(CanberraAlertSoundTest, TheAlertIsInTheFreedesktopSoundTheme)
{
    EXPECT_TRUE(std::filesystem::is_regular_file("/usr/share/sounds/freedesktop/stereo/"
                                                 + CanberraAlertOptions().eventId + ".oga"))
        << "Debian package sound-theme-freedesktop";
}

TEST(CanberraAlertSoundTest, PlaysTheAlertFromTheSoundTheme)
{
    MemoryLog log;
    CanberraAlertSound sound(log, nullDevice());

    EXPECT_TRUE(sound.play());
    EXPECT_TRUE(sound.play()); // again while the first may still be playing
    EXPECT_TRUE(log.lines().empty());
}

TEST(CanberraAlertSoundTest, AMissingSoundPlaysNothingAndIsLoggedOnce)
{
    MemoryLog log;
    CanberraAlertOptions options = nullDevice();
    options.eventId = "vardo-no-such-sound";
    CanberraAlertSound sound(log, options);

    EXPECT_FALSE(sound.play());
    EXPECT_FALSE(sound.play());
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("[Vardo] Alert sound not played: ", 0), 0u) << log.lines()[0];
}

TEST(CanberraAlertSoundTest, WithoutAnAudioDeviceNothingIsPlayedAndItIsLoggedOnce)
{
    MemoryLog log;
    CanberraAlertOptions options;
    options.driver = "alsa";
    options.device = "hw:99";
    CanberraAlertSound sound(log, options);

    EXPECT_FALSE(sound.play());
    EXPECT_FALSE(sound.play());
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST(CanberraAlertSoundTest, WithoutAnOutputDriverNothingIsPlayed)
{
    MemoryLog log;
    CanberraAlertOptions options;
    options.driver = "vardo-no-such-driver";
    CanberraAlertSound sound(log, options);

    EXPECT_FALSE(sound.play());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"[Vardo] Alert sound not played: No such driver"});
}

} // namespace
} // namespace vardo
