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

// What cannot play plays nothing and is logged once; twice in a row (the first may still
// be playing) is no problem either way.
TEST(CanberraAlertSoundTest, PlaysTheThemesAlertOrLogsOnceWhyNot)
{
    ASSERT_TRUE(std::filesystem::is_regular_file("/usr/share/sounds/freedesktop/stereo/"
                                                 + CanberraAlertOptions().eventId + ".oga"))
        << "Debian package sound-theme-freedesktop";
    CanberraAlertOptions missingSound = nullDevice(), noDevice = nullDevice(), noDriver;
    missingSound.eventId = "vardo-no-such-sound";
    noDevice.device = "hw:99";
    noDriver.driver = "vardo-no-such-driver";
    for (const auto &[options, line] : {std::pair{nullDevice(), ""},
                                        std::pair{missingSound, "[Vardo] Alert sound not played: "},
                                        std::pair{noDevice, "[Vardo] Alert sound not played: "},
                                        std::pair{noDriver, "[Vardo] Alert sound not played: No such driver"}}) {
        SCOPED_TRACE(options.driver + " " + options.device + " " + options.eventId);
        MemoryLog log;
        CanberraAlertSound sound(log, options);
        const bool plays = *line == '\0';
        EXPECT_EQ(sound.play(), plays);
        EXPECT_EQ(sound.play(), plays);
        ASSERT_EQ(log.lines().size(), plays ? 0u : 1u);
        EXPECT_TRUE(plays || log.lines()[0].rfind(line, 0) == 0) << ::testing::PrintToString(log.lines());
    }
}

} // namespace
} // namespace vardo
