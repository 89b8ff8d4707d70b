#pragma once

#include "replay/replay_frame_analysis.h"
#include "replay/replay_synthetic_faces.h"
#include "replay/simulated_platform.h"
#include "engine/vardo_service.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <memory>
#include <string>

namespace vardo::test {

// 2026-03-02 09:00:00 UTC, a Monday.
inline constexpr double startTime = 1772442000.0;

// The real service on the simulated platform, in UTC, with the owner's enrolled set
// and synthetic people in front of the camera. Nothing moves until the test moves time.
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

    // Builds the service over the simulated platform and lets start-up finish.
    VardoService &start()
    {
        service = std::make_unique<VardoService>(platform.services(), platform.modules(&analysis));
        settle();
        return *service;
    }

    // Protection on after onboarding, with "owner" enrolled; the camera runs.
    VardoService &startProtected()
    {
        platform.defaults.setBool("vardo_enabled", true);
        platform.defaults.setBool("vardo_onboarding_done", true);
        VardoService &s = start();
        s.seedEnrolledSet(syntheticEnrolledSet("owner"));
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

    // One analysed frame, handed to the decision loop as the main queue would.
    void show(const FrameResults &frame) { service->applyFrameResults(frame); }
    void show(const FrameResults &frame, int times)
    {
        for (int i = 0; i < times; ++i)
            show(frame);
    }
    // The owner sits down: enough matching frames to be recognised.
    void ownerSitsDown()
    {
        for (int i = 0; i < 3; ++i)
            show(owner());
    }

    // One frame the whole way: camera, processing queue, analysis, main queue.
    void showThroughCamera(FrameResults frame, FaceCountUpdate countUpdate = {})
    {
        analysis.expect(std::move(frame), countUpdate);
        platform.camera.deliverFrames(5);
        settle();
    }

    // Seconds since the start of the test.
    double now() const { return platform.time.now() - startTime; }
    void at(double seconds) { platform.time.advanceTo(startTime + seconds); }
    void advance(double seconds) { platform.time.advanceBy(seconds); }
    void settle() { platform.time.runUntilIdle(); }

    bool logged(const std::string &line) const
    {
        for (const auto &l : platform.log.lines())
            if (l == line)
                return true;
        return false;
    }
    int loggedCount(const std::string &line) const
    {
        int count = 0;
        for (const auto &l : platform.log.lines())
            count += l == line;
        return count;
    }

    std::optional<std::string> stateSecret(const std::string &account) const
    {
        const auto item = platform.secrets.item(VardoService::keychainService, account);
        if (!item)
            return std::nullopt;
        return std::string(item->begin(), item->end());
    }

private:
    std::uint64_t nextSample_ = 0;
};

} // namespace vardo::test
