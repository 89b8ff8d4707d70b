#include "engine_harness.h"

#include "platform/task_queue.h"

#include <algorithm>

namespace vardo::test {
namespace {

class CameraIntake : public EngineTest {
protected:
    VardoService &startMonitoring()
    {
        platform.defaults.setBool("vardo_enabled", true);
        return start();
    }
    void deliver(int frames)
    {
        platform.camera.deliverFrames(frames);
        settle();
    }
};

TEST_F(CameraIntake, OnlyEveryFifthFrameIsDecodedAndAnalysedAndTheCountCarriesOnAcrossSessions)
{
    VardoService &s = startMonitoring();
    EXPECT_EQ(platform.overlays.captureExclusions, 1);
    deliver(4);
    EXPECT_EQ(platform.camera.pixelRetrievals, 0);
    deliver(1);
    EXPECT_EQ(platform.camera.pixelRetrievals, 1);

    deliver(3);
    s.setProtectionEnabled(false);
    settle();
    s.setProtectionEnabled(true);
    settle();
    s.ensureCameraRunning(); // builds no second session
    settle();
    EXPECT_EQ(platform.camera.sessionsCreated, 2);
    deliver(2);
    EXPECT_EQ(s.frameCounter(), 10);
    EXPECT_EQ(analysis.framesAnalysed(), 2);
}

TEST_F(CameraIntake, AnalysedFrameIsKeptOnlyWhileIntruderPhotosAreOn)
{
    VardoService &s = startMonitoring();
    deliver(5);
    EXPECT_EQ(s.lastCapturedFrame(), nullptr);
    s.setIntruderPhotoEnabled(true);
    deliver(5);
    ASSERT_NE(s.lastCapturedFrame(), nullptr);
    const auto kept = s.lastCapturedFrame();
    s.setIntruderPhotoEnabled(false);
    deliver(5);
    EXPECT_EQ(s.lastCapturedFrame(), kept); // neither replaced nor cleared
}

TEST_F(CameraIntake, WithoutAFrontCameraAnyOtherCameraIsUsed)
{
    platform.camera.front.reset();
    platform.camera.devices = {{"/dev/video0", "Integrated Camera", false}, {"/dev/video2", "USB Camera", false}};
    startMonitoring();
    EXPECT_EQ(platform.camera.lastOpenedPath, "/dev/video0");
}

// The stored switch stays on, so protection is back with a camera at the next start.
TEST_F(CameraIntake, NoCameraSwitchesProtectionOffForNowAndSaysWhy)
{
    platform.camera.devices.clear();
    platform.camera.front.reset();
    VardoService &s = startMonitoring();
    EXPECT_FALSE(s.isEnabled());
    EXPECT_TRUE(platform.defaults.boolean("vardo_enabled"));
    EXPECT_TRUE(platform.log.contains(
        "[Vardo] No camera found — protection is off until a camera can be used; the setting stays on"));
}

TEST_F(CameraIntake, RefusedPermissionSwitchesProtectionOffOnlyThroughTheProtectionPath)
{
    platform.camera.access = CameraAuthorization::notDetermined;
    platform.camera.userGrantsAccess = false;
    VardoService &s = start();
    s.ensureCameraRunning();
    settle();
    EXPECT_EQ(s.cameraStatus(), CameraStatus::denied);
    EXPECT_EQ(platform.defaults.writeCount("vardo_enabled"), 0);
    s.requestCameraAndStart();
    settle();
    EXPECT_FALSE(s.isEnabled());
}

TEST_F(CameraIntake, AFailingDeviceInputLeavesTheCameraOffAndSaysWhy)
{
    platform.camera.inputFails = true;
    VardoService &s = startMonitoring();
    EXPECT_FALSE(s.hasCaptureSession());
    EXPECT_EQ(s.cameraProblem(), VardoService::CameraProblem::unusable);
    EXPECT_TRUE(platform.log.contains(
        "[Vardo] Camera /dev/video0 cannot be used: the device refuses the input — not monitoring"));
    advance(600);
    EXPECT_EQ(platform.camera.sessionsCreated, 1); // only a busy camera is tried again
}


TEST_F(CameraIntake, ABusyCameraIsTriedAgainUntilItIsFree)
{
    platform.camera.inputBusy = true;
    VardoService &s = startMonitoring();
    s.setProtectionEnabled(false);
    settle();
    EXPECT_EQ(s.cameraProblem(), VardoService::CameraProblem::none);
    advance(600);
    EXPECT_EQ(platform.camera.sessionsCreated, 1);

    s.setProtectionEnabled(true);
    settle();
    EXPECT_TRUE(s.isEnabled());
    EXPECT_EQ(s.cameraProblemDetail(), "/dev/video0: Device or resource busy");
    std::vector<double> attempts;
    for (int second = 1; second <= 182; ++second) {
        const int before = platform.camera.sessionsCreated;
        advance(1.0);
        if (platform.camera.sessionsCreated != before)
            attempts.push_back(second);
    }
    EXPECT_EQ(attempts, (std::vector<double>{2, 6, 14, 30, 62, 122, 182}));
    // One line for each time protection found it busy, none for the retries.
    EXPECT_EQ(loggedCount("[Vardo] Camera /dev/video0 is in use by another application (Device or resource busy) — "
                          "trying again until it is free"),
              2);
    const auto lines = platform.log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string &l) { return l.find("busy") != std::string::npos; }), 2);

    platform.camera.inputBusy = false;
    advance(60.0);
    EXPECT_TRUE(platform.camera.isRunning());
    EXPECT_TRUE(s.cameraProblemDetail().isEmpty());
    EXPECT_TRUE(platform.log.contains("[Vardo] Camera /dev/video0 is free again — monitoring"));
}

TEST_F(CameraIntake, QueuedWorkDoesNothingOnceTheServiceIsGone)
{
    startMonitoring();
    platform.camera.deliverFrames(5);
    service->stopMonitoring();
    service.reset();
    settle(); // must not touch the destroyed service
    EXPECT_EQ(analysis.framesAnalysed(), 0);
}

// A queue that knows when one of its tasks is running.
class WatchedQueue final : public TaskQueue {
public:
    explicit WatchedQueue(TaskQueue &inner) : inner_(inner) {}
    bool running() const { return running_; }
    void post(std::function<void()> task) override { inner_.post(watched(std::move(task))); }
    void postAfter(double delay, std::function<void()> task) override { inner_.postAfter(delay, watched(std::move(task))); }
    void runAndWait(std::function<void()> task) override { inner_.runAndWait(watched(std::move(task))); }

private:
    std::function<void()> watched(std::function<void()> task)
    {
        return [this, task = std::move(task)] {
            running_ = true;
            task();
            running_ = false;
        };
    }
    TaskQueue &inner_;
    bool running_ = false;
};

// The capture thread may be inside the session when the service goes.
TEST_F(CameraIntake, TheSessionIsStoppedAndDroppedOnTheProcessingQueueWhenTheServiceGoes)
{
    platform.defaults.setBool("vardo_enabled", true);
    WatchedQueue processing(platform.time.processingQueue());
    start({.processingQueue = &processing});
    ASSERT_TRUE(platform.camera.isRunning());
    bool droppedOnTheQueue = false;
    platform.camera.onSessionDestroyed = [&] { droppedOnTheQueue = processing.running(); };
    service.reset();
    EXPECT_EQ(platform.camera.sessionsStopped, 1);
    EXPECT_TRUE(droppedOnTheQueue);
}

} // namespace
} // namespace vardo::test
