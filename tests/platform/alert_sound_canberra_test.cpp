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

TEST(CanberraAlertSoundTest, PlaysTheAlertFromTheSoundTheme)
{
    ASSERT_TRUE(std::filesystem::is_regular_file("/usr/share/sounds/freedesktop/stereo/"
                                                 + CanberraAlertOptions().eventId + ".oga"))
        << "Debian package sound-theme-freedesktop";
    MemoryLog log;
    CanberraAlertSound sound(log, nullDevice());
    EXPECT_TRUE(sound.play());
    EXPECT_TRUE(sound.play()); // again while the first may still be playing
    EXPECT_TRUE(log.lines().empty());
}

TEST(CanberraAlertSoundTest, WhatCannotPlayPlaysNothingAndIsLoggedOnce)
{
    CanberraAlertOptions missingSound = nullDevice(), noDevice = nullDevice(), noDriver;
    missingSound.eventId = "vardo-no-such-sound";
    noDevice.device = "hw:99";
    noDriver.driver = "vardo-no-such-driver";
    for (const auto &[options, line] : {std::pair{missingSound, "[Vardo] Alert sound not played: "},
                                        std::pair{noDevice, "[Vardo] Alert sound not played: "},
                                        std::pair{noDriver, "[Vardo] Alert sound not played: No such driver"}}) {
        SCOPED_TRACE(options.driver + " " + options.device + " " + options.eventId);
        MemoryLog log;
        CanberraAlertSound sound(log, options);
        EXPECT_FALSE(sound.play());
        EXPECT_FALSE(sound.play());
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0].rfind(line, 0), 0u) << log.lines()[0];
    }
}

} // namespace
} // namespace vardo
