// How time moves, calls and notifications, and where a malformed scenario stops are
// checked end to end by the scenarios under scenarios/.

#include "replay/replay_runner.h"
#include "engine/vardo_service.h"
#include "platform/log_sink.h"
#include "platform/fakes/memory_log.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaProperty>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sstream>

namespace vardo {
namespace {

class Replay : public ::testing::Test {
protected:
    Replay()
    {
        setenv("TZ", "UTC", 1);
        tzset();
    }

    bool run(const std::string &scenario)
    {
        std::istringstream input(scenario);
        return replay.run(input);
    }

    std::vector<std::string> states() const
    {
        std::vector<std::string> found;
        for (const auto &line : output.lines())
            if (line.starts_with("STATE "))
                found.push_back(line.substr(6));
        return found;
    }

    QJsonObject lastState() const
    {
        const auto all = states();
        return all.empty() ? QJsonObject() : QJsonDocument::fromJson(QByteArray::fromStdString(all.back())).object();
    }

    static constexpr const char *protectedOwner =
        "{\"t\":0,\"defaults\":{\"vardo_enabled\":true,\"vardo_onboarding_done\":true}}\n"
        "{\"t\":0,\"enrolled\":\"owner\"}\n";

    MemoryDefaultsStore settings;
    MemoryLog output;
    MemoryLog notes;
    ScenarioReplay replay{settings, output};
};

TEST_F(Replay, TheServiceStartsFromTheSetUpAtTheFirstOtherLine)
{
    // Secrets, the start time and the enrolled owner's log line are checked by the scenarios.
    ASSERT_TRUE(run(std::string(protectedOwner) + R"({"t":0,"start":"2026-03-03T08:00:00Z"}
{"t":2,"dump":true}
)"));
    const VardoService *s = replay.service();
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->isMonitoring());
    EXPECT_EQ(s->ownerFaceEmbeddings().size(), 25u);
    EXPECT_EQ(s->protectionStartTime(), 1772524800.0 + 2.0);
}

TEST_F(Replay, FramesTravelThroughTheCameraOneAnalysedFrameEach)
{
    ASSERT_TRUE(run(std::string(protectedOwner) + R"({"t":1,"frame":{"faces":[{"who":"owner"}]}}
{"t":1.25,"frame":{"faces":[{"who":"owner"}]}}
{"t":1.5,"frame":{"faces":[{"who":"owner"}]}}
)"));
    EXPECT_EQ(replay.service()->frameCounter(), 15);
    EXPECT_TRUE(replay.service()->ownerRecognized());
}

TEST_F(Replay, TheRectangleCountFollowsItsFramesDecision)
{
    ASSERT_TRUE(run(R"({"t":0,"defaults":{"vardo_stealth_mode":true,"vardo_stealth_delay":0,"vardo_max_faces":3}}
{"t":1,"frame":{"faces":[{"who":"ann"}],"rect":4}}
{"t":2,"frame":{"faces":[{"who":"ann"},{"who":"ben"}],"rect":2}}
)"));
    // The second frame's rectangle count equals its face count: no update is sent.
    EXPECT_EQ(replay.service()->detectedFaceCount(), 2);
    EXPECT_TRUE(replay.service()->isStealthActive());
    ASSERT_EQ(replay.service()->securityEvents().size(), 1u);
    EXPECT_EQ(replay.service()->securityEvents()[0].faceCount, 4);
}

TEST_F(Replay, WithoutOtherLinesTheServiceIsBuiltAtTheEnd)
{
    ASSERT_TRUE(run(R"({"t":0,"defaults":{"vardo_lock_timeout":7}})"));
    EXPECT_EQ(replay.service()->lockTimeout(), 7);
    EXPECT_FALSE(replay.service()->isMonitoring());
}

TEST_F(Replay, AFrameWithoutARunningCameraIsNotSeenAndNoted)
{
    replay.setNotes(&notes);
    ASSERT_TRUE(run(R"({"t":1,"frame":{"faces":[{"who":"ann"}]}})"));
    EXPECT_EQ(replay.service()->frameCounter(), 0);
    EXPECT_EQ(notes.lines(), std::vector<std::string>{"1: the camera is not running: nobody sees this frame"});
}

TEST_F(Replay, ADumpPrintsThePublishedStateThenTheLoopsCounters)
{
    ASSERT_TRUE(run(std::string(protectedOwner) + R"({"t":1,"frame":{"faces":[]}}
{"t":11,"dump":true}
)"));
    const auto all = states();
    ASSERT_EQ(all.size(), 1u);
    const std::string &state = all[0];
    EXPECT_TRUE(state.starts_with("{\"isEnabled\":true,\"isMonitoring\":true,\"isLocked\":true,")) << state;
    EXPECT_TRUE(state.ends_with(",\"consecutiveOwnerMatch\":0,\"consecutiveOwnerMiss\":1,\"consecutiveMultiFaceCount\":0,"
                                "\"consecutiveCleanFrames\":0,\"intruderFrameCount\":0,\"failedMatchAttempts\":0,"
                                "\"noFaceStartTime\":1,\"enrolledCount\":25}"))
        << state;
    // Every published field is there; the objects the interface talks to (the password
    // conversation, the camera preview) are no state.
    const QJsonObject object = lastState();
    const QMetaObject &meta = VardoService::staticMetaObject;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i)
        EXPECT_EQ(object.contains(QString::fromLatin1(meta.property(i).name())),
                  meta.property(i).name() != std::string_view("authentication")
                      && meta.property(i).name() != std::string_view("cameraPreview"))
            << meta.property(i).name();
}

TEST_F(Replay, AnUnreadableImageStopsTheReplay)
{
    EXPECT_FALSE(run(std::string(protectedOwner) + R"({"t":1,"image":"no-such-image.jpg"})"));
    EXPECT_EQ(replay.errorLine(), 3);
    EXPECT_NE(replay.error().find("cannot read the image"), std::string::npos);
}

} // namespace
} // namespace vardo
