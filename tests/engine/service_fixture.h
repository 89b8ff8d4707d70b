#pragma once

#include "engine/frame_analysis.h"
#include "replay/simulated_platform.h"
#include "engine/vardo_service.h"

#include <gtest/gtest.h>

#include <memory>

namespace vardo::test {

// Counts the frames that reach face analysis and reports no faces.
class CountingAnalysis final : public FrameAnalysis {
public:
    int framesAnalysed = 0;
    void loadEmbeddingModel() override {}
    FrameResults analyze(const cv::Mat &, FaceCountUpdate &) override
    {
        ++framesAnalysed;
        return {};
    }
};

// The real service over the simulated platform; nothing runs until the test moves time.
class ServiceTest : public ::testing::Test {
protected:
    // 2026-03-02 09:00:00 UTC
    static constexpr double startTime = 1772442000.0;

    SimulatedPlatform platform{startTime};
    CountingAnalysis analysis;
    std::unique_ptr<VardoService> service;

    void withCamera(bool integrated = true)
    {
        CameraDevice device{"/dev/video0", "Integrated Camera", integrated};
        platform.camera.devices = {device};
        if (integrated)
            platform.camera.front = device;
    }

    VardoService &start()
    {
        service = std::make_unique<VardoService>(platform.services(), platform.modules(&analysis));
        platform.time.runUntilIdle();
        return *service;
    }

    void advance(double seconds) { platform.time.advanceBy(seconds); }
    void settle() { platform.time.runUntilIdle(); }
};

} // namespace vardo::test
