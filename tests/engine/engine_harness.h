#pragma once

#include "tests/engine/enrollment_fixture.h"

#include "replay/replay_frame_analysis.h"
#include "replay/replay_synthetic_faces.h"
#include "replay/simulated_platform.h"
#include "engine/vardo_service.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

namespace vardo::test {

// 2026-03-02 09:00:00 UTC, a Monday.
inline constexpr double startTime = 1772442000.0;

// The real service on the simulated platform, in UTC; nothing moves until the test moves time.
class EngineTest : public ::testing::Test {
protected:
    EngineTest()
    {
        // Day boundaries in these tests are UTC midnights.
        setenv("TZ", "UTC", 1);
        tzset();
        const CameraDevice camera{"/dev/video0", "Integrated Camera", true};
        platform.camera.devices = {camera};
        platform.camera.front = camera;
    }

    ~EngineTest() override { service.reset(); }

    SimulatedPlatform platform{startTime};
    ScriptedFrameAnalysis analysis;
    std::unique_ptr<VardoService> service;

    VardoService &start(FakeReplacements with = {})
    {
        service.reset();
        service = std::make_unique<VardoService>(platform.services(with), platform.modules(&analysis));
        settle();
        return *service;
    }

    void protectionOn()
    {
        platform.defaults.setBool("vardo_enabled", true);
        platform.defaults.setBool("vardo_onboarding_done", true);
    }
    // Protection on after onboarding, with "owner" enrolled; the camera runs.
    VardoService &startProtected(FakeReplacements with = {})
    {
        protectionOn();
        VardoService &s = start(with);
        s.seedEnrolledSet(syntheticEnrolledSet("owner"));
        return s;
    }

    // Protected, and locked by the away countdown: nobody in view for its ten seconds.
    VardoService &locked()
    {
        VardoService &s = startProtected();
        show(nobody());
        advance(10.0);
        EXPECT_TRUE(s.isLocked());
        return s;
    }

    // Faces for one frame; each call draws fresh noise, as a camera would.
    FrameResults faces(std::initializer_list<SyntheticFace> list)
    {
        FrameResults results = syntheticFrameResults(std::vector<SyntheticFace>(list), nextSample_);
        nextSample_ += list.size();
        return results;
    }
    FrameResults nobody() { return faces({}); }
    FrameResults owner() { return faces({{"owner"}}); }
    FrameResults stranger() { return faces({{"stranger"}}); }

    // Analysed frames, handed to the decision loop as the main queue would.
    void show(const FrameResults &frame, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            service->applyFrameResults(frame);
    }
    void ownerSitsDown() { show(owner(), 3); }
    // At a locked screen the owner's first frames show the texture check a live face;
    // their verdicts land before the next frame, and only later frames count as matches.
    void ownerShowsLiveness()
    {
        for (int i = 0; i < VardoService::textureFramesNeeded; ++i) {
            show(owner());
            settle();
        }
    }

    // One frame the whole way: camera, processing queue, analysis, main queue.
    void showThroughCamera(FrameResults frame, FaceCountUpdate countUpdate = {})
    {
        analysis.expect(std::move(frame), countUpdate);
        platform.camera.deliverFrames(5);
        settle();
    }

    double now() const { return platform.time.now() - startTime; }
    void at(double seconds) { platform.time.advanceTo(startTime + seconds); }
    void advance(double seconds) { platform.time.advanceBy(seconds); }
    void settle() { platform.time.runUntilIdle(); }

    int loggedCount(const std::string &line) const
    {
        int count = 0;
        for (const auto &l : platform.log.lines())
            count += l == line;
        return count;
    }
    bool logged(const std::string &line) const { return loggedCount(line) > 0; }

    // The enrolled set and the state items in the secret store.
    std::optional<std::vector<Embedding>> storedSet() const
    {
        const auto item = platform.secrets.item(embeddingsService, ownerAccount);
        return item ? decodeEmbeddings(*item) : std::nullopt;
    }
    VardoService &startEnrolledWith(const std::vector<Embedding> &set)
    {
        platform.secrets.add(embeddingsService, ownerAccount, "test", bytesOf(encodeEmbeddings(set).value()));
        platform.secrets.resetCalls();
        VardoService &s = start();
        EXPECT_TRUE(s.isOwnerEnrolled());
        return s;
    }
    std::optional<std::string> stateValue(const std::string &account) const
    {
        const auto item = platform.secrets.item(stateService, account);
        return item ? std::optional<std::string>(textOf(*item)) : std::nullopt;
    }
    void storeStateValue(const std::string &account, std::string_view value)
    {
        platform.secrets.add(stateService, account, "test", bytesOf(value));
    }

    // One sample a second, as a person in front of the camera gives them.
    void enrol(const std::vector<Embedding> &samples)
    {
        service->startEnrollment();
        for (const auto &sample : samples) {
            advance(1.0);
            service->addEnrollmentSample(sample);
        }
    }

private:
    std::uint64_t nextSample_ = 0;
};

} // namespace vardo::test
