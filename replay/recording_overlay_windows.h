#pragma once

#include "engine/overlay_windows.h"

namespace vardo {

// Records what the engine asked for; tests and the replay use it.
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
    // As a display server that refuses the keyboard grab would.
    void failInputCapture() { reportInputCaptureFailed(); }
};

} // namespace vardo
