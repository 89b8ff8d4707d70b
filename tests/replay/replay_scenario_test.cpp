// Reading one line of a replay scenario: the values the scenarios under scenarios/ do
// not show end to end, and the reason given for each kind of malformed line.

#include "replay/replay_scenario.h"
#include "engine/vardo_service.h"

#include <gtest/gtest.h>

namespace vardo {
namespace {

ReplayLine parsed(std::string_view text)
{
    ReplayParse result = parseReplayLine(text, 7);
    EXPECT_EQ(result.error, "") << text;
    EXPECT_TRUE(result.line.has_value()) << text;
    return result.line.value_or(ReplayLine{});
}

std::string rejection(std::string_view text)
{
    ReplayParse result = parseReplayLine(text, 7);
    EXPECT_FALSE(result.line.has_value()) << text;
    return result.error;
}

TEST(ReplayLines, DefaultsKeepTheJsonTypeAndTheOrder)
{
    const ReplayLine line = parsed(
        R"({"t":0,"defaults":{"b":2,"a":2.0,"c":1e3,"d":true,"e":"lock_mac","f":{"data":"AAEC"},"g":-9007199254740993}})");
    EXPECT_EQ(line.number, 7);
    EXPECT_TRUE(line.isSetUp());
    ASSERT_EQ(line.defaults.size(), 7u);
    EXPECT_EQ(line.defaults[0], (std::pair<std::string, DefaultsValue>{"b", std::int64_t{2}}));
    EXPECT_EQ(line.defaults[1], (std::pair<std::string, DefaultsValue>{"a", 2.0}));
    EXPECT_EQ(line.defaults[2], (std::pair<std::string, DefaultsValue>{"c", 1000.0}));
    EXPECT_EQ(line.defaults[3], (std::pair<std::string, DefaultsValue>{"d", true}));
    EXPECT_EQ(line.defaults[4], (std::pair<std::string, DefaultsValue>{"e", std::string("lock_mac")}));
    EXPECT_EQ(line.defaults[5], (std::pair<std::string, DefaultsValue>{"f", Bytes{0, 1, 2}}));
    EXPECT_EQ(line.defaults[6], (std::pair<std::string, DefaultsValue>{"g", std::int64_t{-9007199254740993}}));
}

// The frame's values and what no scenario uses; the rest is read by every scenario.
TEST(ReplayLines, EveryActionWithItsValues)
{
    EXPECT_EQ(parsed(R"({"t":0,"start":"2026-03-03T10:00:00+02:00"})").startSeconds, 1772524800.0);
    EXPECT_EQ(parsed(R"({"t":0,"secrets":{"lockout_time":"1772442000","failed_attempts":"5"}})").secrets,
              (std::vector<std::pair<std::string, std::string>>{{"lockout_time", "1772442000"}, {"failed_attempts", "5"}}));
    const ReplayLine frame = parsed(
        R"({"t":1.5,"frame":{"faces":[{"who":"owner"},{"who":"bob","eyes":"closed"},{"gated":true,"who":"eve"}],"rect":4}})");
    EXPECT_FALSE(frame.isSetUp());
    EXPECT_EQ(frame.t, 1.5);
    ASSERT_EQ(frame.faces.size(), 3u);
    EXPECT_EQ(frame.faces[1].who, "bob");
    EXPECT_TRUE(frame.faces[0].eyesOpen);
    EXPECT_FALSE(frame.faces[1].eyesOpen);
    EXPECT_FALSE(frame.faces[1].gated);
    EXPECT_TRUE(frame.faces[2].gated);
    EXPECT_EQ(frame.rectangleCount, 4);
    EXPECT_EQ(parsed(R"({"t":1,"call":"resumeStealth"})").text, "resumeStealth");
    EXPECT_EQ(parsed(R"({"args":[false],"t":1,"call":"setProtectionEnabled"})").args.at(0).toBool(), false);
    EXPECT_EQ(parsed(R"({"t":1,"notify":"screensChanged"})").text, "screensChanged");
    // Assignments are converted to the property's type, in order.
    const ReplayLine set = parsed(R"({"t":1,"set":{"lockMode":"lock_mac","lockTimeout":5,"playSoundOnLock":false}})");
    ASSERT_EQ(set.assignments.size(), 3u);
    EXPECT_EQ(set.assignments[0].second.value<LockMode>(), LockMode::lockMac);
    EXPECT_EQ(set.assignments[1].second, QVariant(qint64{5}));
    EXPECT_EQ(set.assignments[2].second, QVariant(false));
}

// An unknown operation and set-up or time out of order are checked by the malformed_* scenarios.
TEST(ReplayLines, MalformedLinesSayWhatIsWrong)
{
    const std::pair<const char *, const char *> cases[] = {
        {R"({"t":0,"dump":tru})", "bad JSON"},
        {R"([{"t":0}])", "one JSON object"},
        {R"({"dump":true})", "no \"t\""},
        {R"({"t":-1,"dump":true})", "\"t\" must be a number"},
        {R"({"t":"soon","dump":true})", "\"t\" must be a number"},
        {R"({"t":0})", "no action"},
        {R"({"t":0,"dump":true,"frame":{"faces":[]}})", "more than one action"},
        {R"({"t":0,"t":1,"dump":true})", "appears twice"},
        {R"({"t":0,"wait":5})", "unknown key \"wait\""},
        {R"({"t":0,"dump":true,"args":[]})", "\"args\" belongs to a \"call\""},
        {R"({"t":0,"dump":false})", "\"dump\" must be true"},
        {R"({"t":0,"call":"resetFaceEnrollment"})", "unknown operation \"resetFaceEnrollment\""},
        {R"({"t":0,"call":"setProtectionEnabled"})", "takes 1 arguments"},
        {R"({"t":0,"call":"setProtectionEnabled","args":["yes"]})", "takes true or false"},
        {R"({"t":0,"call":"pauseStealth","args":[1.5]})", "takes a whole number"},
        {R"({"t":0,"call":"resumeStealth","args":[1]})", "takes 0 arguments"},
        {R"({"t":0,"call":"pauseStealth","args":5})", "\"args\" must be a list"},
        {R"({"t":0,"notify":"lidClosed"})", "unknown notification \"lidClosed\""},
        {R"({"t":0,"set":{"coffee":1}})", "unknown property \"coffee\""},
        {R"({"t":0,"set":{"intruderPhotos":[]}})", "cannot be set"},
        {R"({"t":0,"set":{"lockTimeout":"10"}})", "takes a whole number"},
        {R"({"t":0,"set":{"lockTimeout":2.5}})", "takes a whole number"},
        {R"({"t":0,"set":{"playSoundOnLock":1}})", "takes true or false"},
        {R"({"t":0,"set":{"isLocked":false}})", "cannot be set"},
        {R"({"t":0,"set":{"lockMode":"LOCK_MAC"}})", "\"app_only\" or \"lock_mac\""},
        {R"({"t":0,"frame":{}})", "needs \"faces\""},
        {R"({"t":0,"frame":{"faces":[{"eyes":"closed"}]}})", "needs \"who\""},
        {R"({"t":0,"frame":{"faces":[{"who":"a","eyes":"half"}]}})", "\"open\" or \"closed\""},
        {R"({"t":0,"frame":{"faces":[{"who":"a","hat":true}]}})", "unknown key \"hat\" in a face"},
        {R"({"t":0,"frame":{"faces":[],"rect":-1}})", "whole number of faces"},
        {R"({"t":0,"frame":{"faces":[],"light":"dim"}})", "unknown key \"light\" in \"frame\""},
        {R"({"t":0,"start":"yesterday"})", "ISO 8601"},
        {R"({"t":0,"secrets":{"failed_attempts":5}})", "must be a string"},
        {R"({"t":0,"defaults":{"vardo_lock_timeout":null}})", "must be an integer, a number"},
        {R"({"t":0,"defaults":{"vardo_events":{"data":"%%"}}})", "not base64"},
        {R"({"t":0,"enrolled":""})", "non-empty string"},
    };
    for (const auto &[text, reason] : cases)
        EXPECT_NE(rejection(text).find(reason), std::string::npos) << text << " gave: " << rejection(text);
}

} // namespace
} // namespace vardo
