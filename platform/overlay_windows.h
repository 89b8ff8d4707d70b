#pragma once

namespace vardo {

// The full-screen windows the engine raises over every display: the lock overlay and
// the shoulder-guard screen. Showing and hiding are idempotent.
class OverlayWindows {
public:
    virtual ~OverlayWindows() = default;
    virtual void showLockWindows() = 0;
    virtual void hideLockWindows() = 0;
    virtual void showStealthWindows() = 0;
    virtual void hideStealthWindows() = 0;
    // Keeps the application's windows out of screenshots and screen sharing where the
    // desktop allows it.
    virtual void applyCaptureExclusion() = 0;
    // Displays came or went: one window per display again for whatever is shown.
    virtual void screensChanged() = 0;
};

// Records what the engine asked for; tests, the headless mode and the replay use it.
class RecordingOverlayWindows final : public OverlayWindows {
public:
    bool lockShown = false;
    bool stealthShown = false;
    int lockShows = 0, lockHides = 0, stealthShows = 0, stealthHides = 0, captureExclusions = 0, rebuilds = 0;

    void showLockWindows() override { lockShown = true; ++lockShows; }
    void hideLockWindows() override { lockShown = false; ++lockHides; }
    void showStealthWindows() override { stealthShown = true; ++stealthShows; }
    void hideStealthWindows() override { stealthShown = false; ++stealthHides; }
    void applyCaptureExclusion() override { ++captureExclusions; }
    void screensChanged() override { ++rebuilds; }
};

} // namespace vardo
