#include "service_fixture.h"

namespace vardo::test {
namespace {

class CameraIntake : public ServiceTest {
protected:
    VardoService &startProtected()
    {
        withCamera();
        platform.defaults.setBool("vardo_enabled", true);
        return start();
    }
};

TEST_F(CameraIntake, OnlyEveryFifthFrameIsDecodedAndAnalysed)
{
    VardoService &s = startProtected();
    ASSERT_TRUE(platform.camera.isRunning());
    for (int frame = 1; frame <= 4; ++frame) {
        platform.camera.deliverFrames(1);
        settle();
        EXPECT_EQ(platform.camera.pixelRetrievals, 0) << "frame " << frame;
    }
    platform.camera.deliverFrames(1);
    settle();
    EXPECT_EQ(platform.camera.pixelRetrievals, 1);
    EXPECT_EQ(analysis.framesAnalysed, 1);
    platform.camera.deliverFrames(5);
    settle();
    EXPECT_EQ(s.frameCounter(), 10);
    EXPECT_EQ(analysis.framesAnalysed, 2);
}

TEST_F(CameraIntake, FrameCounterCarriesOnAcrossSessions)
{
    VardoService &s = startProtected();
    platform.camera.deliverFrames(3);
    settle();
    s.setProtectionEnabled(false);
    settle();
    s.setProtectionEnabled(true);
    settle();
    ASSERT_EQ(platform.camera.sessionsStarted, 2);
    platform.camera.deliverFrames(2);
    settle();
    EXPECT_EQ(s.frameCounter(), 5);
    EXPECT_EQ(analysis.framesAnalysed, 1);
}

TEST_F(CameraIntake, AnalysedFrameIsKeptOnlyWhileIntruderPhotosAreOn)
{
    VardoService &s = startProtected();
    platform.camera.deliverFrames(5);
    settle();
    EXPECT_EQ(s.lastCapturedFrame(), nullptr);
    s.setIntruderPhotoEnabled(true);
    platform.camera.deliverFrames(5);
    settle();
    ASSERT_NE(s.lastCapturedFrame(), nullptr);
    EXPECT_EQ(s.lastCapturedFrame()->cols, 640);
    const auto kept = s.lastCapturedFrame();
    s.setIntruderPhotoEnabled(false);
    platform.camera.deliverFrames(5);
    settle();
    EXPECT_EQ(s.lastCapturedFrame(), kept); // neither replaced nor cleared
}

TEST_F(CameraIntake, StartingProtectionRunsTheCameraAndStartsTheProtectedPeriod)
{
    VardoService &s = startProtected();
    EXPECT_TRUE(s.isMonitoring());
    EXPECT_EQ(s.cameraStatus(), CameraStatus::granted);
    EXPECT_EQ(platform.camera.lastOpenedPath, "/dev/video0");
    EXPECT_EQ(s.protectionStartTime(), startTime);
    EXPECT_EQ(platform.overlays.captureExclusions, 1);
}

TEST_F(CameraIntake, WithoutAFrontCameraAnyOtherCameraIsUsed)
{
    withCamera(false);
    platform.camera.devices.push_back({"/dev/video2", "USB Camera", false});
    platform.defaults.setBool("vardo_enabled", true);
    start();
    EXPECT_EQ(platform.camera.lastOpenedPath, "/dev/video0");
    EXPECT_TRUE(service->isMonitoring());
}

TEST_F(CameraIntake, NoCameraSwitchesProtectionOff)
{
    platform.defaults.setBool("vardo_enabled", true);
    VardoService &s = start();
    EXPECT_EQ(s.cameraStatus(), CameraStatus::noCameraFound);
    EXPECT_FALSE(s.isEnabled());
    EXPECT_FALSE(platform.defaults.boolean("vardo_enabled"));
    EXPECT_EQ(platform.camera.sessionsCreated, 0);
}

TEST_F(CameraIntake, RefusedPermissionSwitchesProtectionOffOnlyThroughTheProtectionPath)
{
    withCamera();
    platform.camera.access = CameraAuthorization::notDetermined;
    platform.camera.userGrantsAccess = false;
    VardoService &s = start();
    s.ensureCameraRunning();
    settle();
    EXPECT_EQ(s.cameraStatus(), CameraStatus::denied);
    EXPECT_EQ(platform.defaults.writeCount("vardo_enabled"), 0);
    s.requestCameraAndStart();
    settle();
    EXPECT_EQ(s.cameraStatus(), CameraStatus::denied);
    EXPECT_FALSE(s.isEnabled());
    EXPECT_EQ(platform.camera.sessionsCreated, 0);
}

// A camera another application streams from cannot be opened: nothing runs, and the
// interface learns why until protection stops.
TEST_F(CameraIntake, AFailingDeviceInputLeavesTheCameraOffAndSaysTheCameraIsUnavailable)
{
    withCamera();
    platform.camera.inputFails = true;
    platform.defaults.setBool("vardo_enabled", true);
    VardoService &s = start();
    EXPECT_FALSE(s.isMonitoring());
    EXPECT_FALSE(s.hasCaptureSession());
    EXPECT_EQ(s.cameraStatus(), CameraStatus::granted);
    EXPECT_TRUE(s.isEnabled());
    EXPECT_TRUE(s.cameraUnavailable());
    s.setProtectionEnabled(false);
    settle();
    EXPECT_FALSE(s.cameraUnavailable());
    platform.camera.inputFails = false;
    s.setProtectionEnabled(true);
    settle();
    EXPECT_TRUE(s.isMonitoring());
    EXPECT_FALSE(s.cameraUnavailable());
}

TEST_F(CameraIntake, EnsureCameraRunningBuildsNoSecondSession)
{
    VardoService &s = startProtected();
    s.ensureCameraRunning();
    settle();
    EXPECT_EQ(platform.camera.sessionsCreated, 1);
    s.setProtectionEnabled(false);
    settle();
    s.ensureCameraRunning();
    settle();
    EXPECT_EQ(platform.camera.sessionsCreated, 2);
    EXPECT_FALSE(s.isEnabled());
}

TEST_F(CameraIntake, StopMonitoringResetsLiveStateAndCountsProtectedTimeOnce)
{
    VardoService &s = startProtected();
    advance(90);
    s.activateStealth(2);
    s.startCountdown();
    s.stopMonitoring();
    settle();
    EXPECT_FALSE(s.isMonitoring());
    EXPECT_FALSE(s.isStealthActive());
    EXPECT_FALSE(platform.overlays.stealthShown);
    EXPECT_FALSE(s.hasCountdownTimer());
    EXPECT_EQ(s.secondsUntilLock(), 0);
    EXPECT_EQ(s.cameraStatus(), CameraStatus::unknown);
    EXPECT_FALSE(s.noFaceStartTime().has_value()); // a stale start would block every later countdown
    EXPECT_DOUBLE_EQ(s.totalTimeProtected(), 90.0);
    EXPECT_DOUBLE_EQ(platform.defaults.floating("vardo_total_time"), 90.0);
    s.stopMonitoring();
    advance(30);
    EXPECT_DOUBLE_EQ(s.totalTimeProtected(), 90.0);
}

TEST_F(CameraIntake, InterruptionLocksOnceAndAlwaysLogs)
{
    VardoService &s = startProtected();
    platform.camera.notify(CameraNotification::interrupted);
    settle();
    EXPECT_TRUE(s.isLocked());
    EXPECT_EQ(s.cameraStatus(), CameraStatus::noCameraFound);
    EXPECT_EQ(platform.overlays.lockShows, 1);
    EXPECT_EQ(s.totalLocksAllTime(), 1);
    EXPECT_FALSE(s.noFaceStartTime().has_value());
    platform.camera.notify(CameraNotification::runtimeError);
    settle();
    EXPECT_EQ(platform.overlays.lockShows, 1);
    EXPECT_EQ(s.totalLocksAllTime(), 1);
    const auto lines = platform.log.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "[Vardo] Camera interrupted — locked for security"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "[Vardo] Camera runtime error — locked for security"), 1);
}

TEST_F(CameraIntake, InterruptionWithProtectionOffOnlyReports)
{
    withCamera();
    platform.defaults.setBool("vardo_stealth_mode", true);
    VardoService &s = start();
    platform.camera.notify(CameraNotification::interrupted);
    settle();
    EXPECT_FALSE(s.isLocked());
    EXPECT_TRUE(platform.log.contains("[Vardo] Camera interrupted — locked for security"));
}

TEST_F(CameraIntake, ResumedCameraReportsGrantedWithoutANewSession)
{
    VardoService &s = startProtected();
    platform.camera.notify(CameraNotification::interrupted);
    settle();
    platform.camera.notify(CameraNotification::interruptionEnded);
    settle();
    EXPECT_EQ(s.cameraStatus(), CameraStatus::granted);
    EXPECT_TRUE(platform.log.contains("[Vardo] Camera resumed"));
    EXPECT_EQ(platform.camera.sessionsCreated, 1);
}

TEST_F(CameraIntake, QueuedWorkDoesNothingOnceTheServiceIsGone)
{
    startProtected();
    platform.camera.deliverFrames(5);
    service->stopMonitoring();
    service.reset();
    settle(); // must not touch the destroyed service
    EXPECT_EQ(analysis.framesAnalysed, 0);
}

} // namespace
} // namespace vardo::test
